// Keys typed while another simulator window has focus (Print Output, the
// media panel) belong to the device: this filter hands them to the device
// window. Text fields keep their own keys (the serial window's send line).
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> device_;
  QVector<QPointer<QWidget>> windows_;
};
