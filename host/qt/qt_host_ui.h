// What the device asks the person at the desktop: message boxes without an
// owner, as the device window's own questions.
//
// The device counts its idle time in ticks, and at a speed above real time
// its ten minutes pass in seconds. The desktop program also counts the
// person's idle time on the wall clock (any key, click or wheel in its
// windows): the question is put only when both have run out, so a fast
// device never interrupts someone at work.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "host/seam/host_ui.h"

class QtHostUi : public QObject, public HostUi {
 public:
  // The desktop program's wall-clock idle time: ten minutes, less a second
  // for the tick timer, which at real time runs a little behind the clock.
  static constexpr qint64 kIdleMinutesMs = 10 * 60 * 1000 - 1000;
  // wall_idle_ms: how long the person must have left the program alone
  // before the question is put; 0 asks whenever the device's count runs out.
  explicit QtHostUi(qint64 wall_idle_ms = 0);
  // "Turn Off Device?" with Yes and No (No the default), caption "Timeout";
  // false without asking while the person was active within wall_idle_ms.
  bool ask_turn_off() override;
  // An error box with one OK button; on standard error while the program
  // closes unattended (signal_close.h).
  void warn(const std::string& text, const std::string& caption) override;
  // Yes to auto-off closes this window from the event loop, as the user
  // closing it would (the label journalled); without one the process ends.
  void setDeviceWindow(QWidget* window) { device_window_ = window; }
  void turn_off() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> device_window_;
  qint64 wall_idle_ms_;
  QElapsedTimer since_input_;
};
