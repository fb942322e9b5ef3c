// Keys typed while another simulator window has focus (Print Output, the
// media panel, Serial Comms). A control that takes keys (a text field, a spin
// box, a combo box, a slider or the dial) keeps every key typed into it, also
// those it has no use for (Return, Shift); Tab moves the focus between the
// controls; a key that no control takes belongs to the device and is handed
// to the device window.
#pragma once
#include <QObject>
#include <QPointer>
#include <QVector>
#include <QWidget>

class KeyForwarder : public QObject {
 public:
  KeyForwarder(QWidget* device_window, QObject* parent = nullptr);
  // Forward the keys of this window (and its children) to the device.
  void watch(QWidget* window);
  // A control that keeps every key typed into it.
  static bool keepsKeys(const QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> device_;
  QVector<QPointer<QWidget>> windows_;
};
