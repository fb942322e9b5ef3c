// What the device asks the person at the desktop: message boxes without an
// owner, as the device window's own questions.
#pragma once
#include <QPointer>
#include <QWidget>

#include "host/seam/host_ui.h"

class QtHostUi : public HostUi {
 public:
  // "Turn Off Device?" with Yes and No, caption "Timeout".
  bool ask_turn_off() override;
  // An error box with one OK button.
  void warn(const std::string& text, const std::string& caption) override;
  // Yes to auto-off closes this window from the event loop, as the user
  // closing it would (the label journalled); without one the process ends.
  void setDeviceWindow(QWidget* window) { device_window_ = window; }
  void turn_off() override;

 private:
  QPointer<QWidget> device_window_;
};
