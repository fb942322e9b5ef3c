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
      qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const Dial*>(w))
    return true;
  // A list to choose from (the tape shown, the zoom) is worked with the
  // mouse: its keys are the device's. One that takes typed text keeps them.
  if (auto* c = qobject_cast<const QComboBox*>(w)) return c->isEditable();
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
  // Decided once, where the key arrives first: at the focused control, or
  // at the window when nothing in it has the focus.
  const QWidget* focus = QApplication::focusWidget();
  const QWidget* first = focus && focus->window() == widget->window() ? focus : widget->window();
  if (widget != first || keepsKeys(focus)) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // Tab moves between the controls; the shortcuts stay with the window.
  if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ControlModifier))
    return QObject::eventFilter(watched, event);
  QKeyEvent copy(type, key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                 key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count());
  // The window's own keys for its tape (Home, End, Page Up and Down) go to
  // the window, whichever of its controls has the focus.
  const bool paging = key->key() == Qt::Key_Home || key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp ||
                      key->key() == Qt::Key_PageDown;
  if (paging) {
    if (widget->isWindow()) return QObject::eventFilter(watched, event);
    QApplication::sendEvent(widget->window(), &copy);
    return true;
  }
  QApplication::sendEvent(device_, &copy);
  return true;
}
