#include "host/qt/key_forwarder.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
bool takes_text(QWidget* w) {
  if (!w) return false;
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w)) return true;
  if (auto* t = qobject_cast<QTextEdit*>(w)) return !t->isReadOnly();
  if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return !t->isReadOnly();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->isEditable();
  return false;
}
}  // namespace

KeyForwarder::KeyForwarder(QWidget* device_window, QObject* parent) : QObject(parent), device_(device_window) {}

void KeyForwarder::watch(QWidget* window) {
  if (windows_.isEmpty()) qApp->installEventFilter(this);
  windows_.append(window);
}

bool KeyForwarder::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QObject::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!device_ || !widget || !windows_.contains(widget->window()) || takes_text(widget))
    return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // The window's own navigation keys for the tape stay with it.
  if (key->key() == Qt::Key_Home || key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp ||
      key->key() == Qt::Key_PageDown || (key->modifiers() & Qt::ControlModifier))
    return QObject::eventFilter(watched, event);
  QKeyEvent copy(type, key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                 key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count());
  QApplication::sendEvent(device_, &copy);
  return true;
}
