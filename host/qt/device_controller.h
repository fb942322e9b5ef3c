// The one Qt owner of the running device: starts the firmware at the device
// window's first show, owns the 10 ms tick timer and its re-entrancy guard,
// turns the tape's and the LCD mirror's news into signals, and closes the
// device. Windows talk to this object, never to the firmware's state.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>

class DeviceController : public QObject {
  Q_OBJECT
 public:
  explicit DeviceController(QObject* parent = nullptr);
  ~DeviceController() override;

  // Starts the worker thread, runs the firmware init and loads the working
  // label; then warns once when the flash image file is missing (from the
  // event loop, so the window is already up) and starts the tick timer.
  void start();
  bool started() const { return started_; }

  // The tick timer's handler: runs sys_tick unless a tick is already running
  // (a modal question raised inside the tick keeps the event loop going).
  void tick();
  uint64_t ticksRun() const { return ticks_run_; }
  bool tickBusy() const { return tick_busy_; }
  QTimer& timer() { return timer_; }

  // Closing the device window: journal the working label and ask the worker
  // to stop without waiting for it.
  void close();

  // Emits lcdChanged when the mirror's picture or a lamp changed.
  void checkLcd();

  // Milliseconds from construction to the first paint of an LCD frame that
  // the running firmware drew (after its init), -1 before.
  qint64 firstFrameMs() const { return first_frame_ms_; }
  void noteFramePainted();

 signals:
  void lcdChanged();
  void tapeBegun();
  void tapeEnded();
  // One tick ran (sys_tick returned): the pace for input fed from outside.
  void ticked();

 private:
  QTimer timer_;
  size_t tape_columns_seen_ = 0;
  bool started_ = false;
  bool closed_ = false;
  bool tick_busy_ = false;
  uint64_t ticks_run_ = 0;
  uint64_t lcd_generation_ = ~uint64_t(0);
  uint64_t generation_after_init_ = 0;
  QElapsedTimer since_start_;
  qint64 first_frame_ms_ = -1;
};
