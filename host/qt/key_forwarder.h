// Keys typed while another simulator window has focus (Print Output, the
// media panel, Serial Comms). A control that edits text or a value (a text
// field, a spin box, an editable combo box, a slider or the dial) keeps every
// key typed into it, also those it has no use for (Return, Shift); Tab moves
// the focus between the controls; every other key belongs to the device and
// is handed to the device window, also from a focused list or button.
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
