#include "host/qt/key_forwarder.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "widgets/dial.h"

bool KeyForwarder::keepsKeys(const QWidget* w) {
  if (!w) return false;
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
      qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const Dial*>(w))
    return true;
  if (auto* t = qobject_cast<const QTextEdit*>(w)) return !t->isReadOnly();
  if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return !t->isReadOnly();
  return false;
}

KeyForwarder::KeyForwarder(QWidget* device_window, QObject* parent) : QObject(parent), device_(device_window) {}

void KeyForwarder::watch(QWidget* window) {
  if (windows_.isEmpty()) qApp->installEventFilter(this);
  windows_.append(window);
}

bool KeyForwarder::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QObject::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!device_ || !widget || !windows_.contains(widget->window())) return QObject::eventFilter(watched, event);
  // A key the focused control leaves travels up to its window: it is still
  // that control's (Return in a text field must not press Enter on the device).
  const QWidget* focus = QApplication::focusWidget();
  if (focus && focus->window() == widget->window() && keepsKeys(focus)) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // Tab moves between the controls; the window's own navigation keys for the
  // tape and the shortcuts stay with it.
  if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Home ||
      key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown ||
      (key->modifiers() & Qt::ControlModifier))
    return QObject::eventFilter(watched, event);
  // The focused widget and its parents come first; what reaches the window
  // untaken is the device's.
  if (!widget->isWindow()) return QObject::eventFilter(watched, event);
  QKeyEvent copy(type, key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                 key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count());
  QApplication::sendEvent(device_, &copy);
  return true;
}
