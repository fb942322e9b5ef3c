// The one Qt owner of the running device: starts the firmware at the device
// window's first show, owns the 10 ms tick timer and its re-entrancy guard,
// turns the tape's and the LCD mirror's news into signals, takes the windows'
// input (keys, the Cut switch, the media panel) and closes the device.
// Windows talk to this object, never to the firmware; they only read the
// host's pictures (the LCD mirror, the tape) to paint them.
//
// An idle controller (idle()) never starts the device nor hears the tape but
// still forwards input: the windows made without the running device
// (offscreen pictures, tests) use one.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "host/session/key_recorder.h"
#include "host/session/session.h"

class ImageLock;

class DeviceController : public QObject {
  Q_OBJECT
 public:
  explicit DeviceController(QObject* parent = nullptr);
  ~DeviceController() override;
  static std::unique_ptr<DeviceController> idle();

  // Starts the worker thread, runs the firmware init and loads the working
  // label; then warns once when the flash image file is missing (from the
  // event loop, so the window is already up) and starts the tick timer.
  void start();
  bool started() const { return started_; }

  // One tick: sys_tick unless a tick is already running (a modal question
  // raised inside the tick keeps the event loop going); on the virtual clock
  // (the fastest speed) the worker's 10 ms go with it.
  void tick();

  // The speed of the firmware's tick and the worker's clock together: 1, 4
  // or 16 times real time, or kFastest (ticks back to back, the worker in
  // lock step on the virtual clock).
  static constexpr uint32_t kFastest = 0;
  void setSpeed(uint32_t factor);
  uint32_t speed() const { return speed_; }
  // Pause: no tick runs and the worker's clock stands (a print waits with
  // it); stepOneTick runs one tick while paused.
  void setPaused(bool on);
  bool paused() const { return paused_; }
  void stepOneTick();
  // While the fast-forward key is held: as fast as possible, then the speed
  // chosen before.
  void setFastForward(bool on);
  bool fastForward() const { return fast_forward_; }
  // "1x", "4x", "16x", "as fast as possible".
  static QString speedName(uint32_t factor);
  uint64_t ticksRun() const { return ticks_run_; }
  bool tickBusy() const { return tick_busy_; }
  QTimer& timer() { return timer_; }

  // Closing the device window: journal the working label, then stop the
  // worker and wait for it.
  void close();

  // ---- The Device and File menus ----
  // Off and on again: the label journalled, the worker joined, keys still
  // waiting dropped, then a fresh start on the same image. False (nothing
  // done) while a tick is running or before the first start.
  bool powerCycle();
  // The same, starting on another image file; a file that is no image at all
  // is refused with the reason and the device keeps running on the old one.
  bool openImage(const QString& path, QString& error);
  // After the user's yes: the image in use kept as IMAGE.bak (a free name),
  // a copy of template_path put in its place, and the device started on it.
  bool resetToFreshImage(const QString& template_path, QString& kept_as, QString& error);
  QString imagePath() const;
  // Read-only: the device runs on a copy of the image in memory and nothing
  // reaches the file (a second program on an image in use). From the next
  // start or restart on.
  void setReadOnly(bool on) { read_only_ = on; }
  bool readOnly() const { return read_only_; }
  // The program's lock on its image, kept across restarts and moved to the
  // image the device starts on (Open, Reset); none: each session takes its own.
  void setImageLock(ImageLock* lock) { image_lock_ = lock; }
  // "" or what went wrong with the last save before the device closed.
  const std::string& saveProblemAtClose() const { return save_problem_at_close_; }
  // "1.3": the firmware's own version numbers.
  static QString firmwareVersion();

  // ---- Input from the windows ----
  // A PC key went down (auto-repeat sends it again) or up, as a virtual-key
  // number of the key table.
  void keyDown(uint16_t virtual_key);
  void keyUp(uint16_t virtual_key);
  // A mouse-down on a key picture (any button), and a click on Func's.
  void pressKeyPicture(uint8_t tag);
  void clickFunc();
  // Alt and Shift released elsewhere never arrive: forget them, ending a Func
  // held with Shift.
  void forgetModifiers();
  // The Cut switch, at any time: the engine's next cut pause sees it.
  void pressCut();
  // A pause between labels waits for the Cut switch (its lamp lights).
  bool cutPauseWaiting() const;
  // The device key a PC key stands for (the key picture drawn pressed), 0 none.
  static uint8_t deviceKeyFor(uint16_t virtual_key);
  // The Device menu's auto-off switch: off keeps the idle question away
  // until it is turned on again or the program ends.
  void setAutoOffAllowed(bool allowed);
  bool autoOffAllowed() const;
  // The battery dial: its value, and (when it is turned) the LCD's battery
  // symbol at once.
  void setBatteryVolts(double volts);
  void setBattery(double volts);
  // The media panel: its start (material 3 chosen and applied), a material
  // chosen, and its 100 ms step that applies it.
  void resetCartridgePanel();
  void selectCartridge(uint8_t id);
  void cartridgeTimerStep();

  // ---- Recording the user's input as a key script ----
  // Starts a recording. The device is restarted as closing and reopening the
  // window would (the working label journalled and loaded again), on the
  // material and battery the batch runner starts with; the panel's material
  // and the dial's voltage then come back as the script's first input, so
  // that the script replays from a plain start. False when the device is not
  // running or a question of it is open.
  bool startRecording();
  // Writes the script to path and the image it started from beside it, and
  // ends the recording; false with a message (still recording) on failure.
  bool stopRecording(const std::string& path, std::string& error);
  bool recording() const { return recorder_.recording(); }
  // Ticks since the recording's start of the device.
  uint64_t recordingTicks() const { return ticks_run_ - record_origin_; }

  // ---- Playing a key script ----
  // The device restarted as a recording starts it (the label journalled and
  // loaded again, material 3, the battery at its start voltage), so that a
  // script plays from the start it was recorded on. False when it cannot now.
  bool restartForScript();
  // One token of a script on the running device, as the batch runner runs it.
  bool runToken(const ScriptToken& token, std::string& error);
  // "" or why a script's SNAP: may not be written (the session's refusal
  // list, and the script file itself when one is named).
  std::string scriptRefusal(const std::vector<ScriptToken>& tokens, const std::string& script_path) const;
  // A played key, Func, Shift, Cut, Esc, Alt command or lost focus, given as
  // the user's would be (a recording under way keeps it); never settles.
  void playInput(const ScriptToken& token);
  // The device has nothing left to do (as the batch runner's settle sees it).
  bool settled() const { return session_ && session_->settled() && !session_->cartridge_busy(); }
  // A material change is still going on (removal, then the new material).
  bool cartridgeBusy() const { return session_ && session_->cartridge_busy(); }

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
  // A key event of the running device asks its window to come to the front.
  void frontRequested();
  void speedChanged(uint32_t factor);
  void recordingChanged(bool on);
  void pausedChanged(bool on);

 private:
  // The clock the session's worker waits on: virtual at the fastest speed or
  // while paused (only a tick moves it), else real time shortened by speed_.
  SessionClock sessionClock() const;
  struct IdleTag {};
  explicit DeviceController(IdleTag);
  // Opens the device session on path and gives the start-up warnings; shared
  // by start and restarts. fresh_inputs: material 3 and the battery at 9 V.
  // The path is a copy: the session sets the flash's own path, which a
  // reference to it would follow.
  void boot(std::string path, bool fresh_inputs);
  // Stops the device for a restart; false when it cannot now.
  bool halt();

  // The timer's handler: the ticks the speed owes since the last one.
  void timerTicks();
  // The tick timer again (not while paused), its speed's count from now.
  void resumeTimer();

  std::unique_ptr<Session> session_;  // the running device; none while idle or stopped
  std::string image_path_;
  ImageLock* image_lock_ = nullptr;
  std::string save_problem_at_close_;
  bool idle_ = false;
  bool read_only_ = false;
  bool paused_ = false;
  bool fast_forward_ = false;
  uint32_t speed_before_ = 1;  // the speed a fast-forward returns to
  uint32_t speed_ = 1;
  QElapsedTimer speed_clock_;   // since the speed was chosen
  uint64_t speed_ticks_ = 0;    // ticks run since then
  QTimer timer_;
  size_t tape_columns_seen_ = 0;
  bool started_ = false;
  bool closed_ = false;
  bool tick_busy_ = false;
  uint64_t ticks_run_ = 0;
  uint64_t lcd_generation_ = ~uint64_t(0);
  uint64_t generation_after_init_ = 0;
  KeyRecorder recorder_;
  uint64_t record_origin_ = 0;
  QElapsedTimer since_start_;
  qint64 first_frame_ms_ = -1;
  uint64_t generation_painted_ = 0;  // the last LCD picture logged under KLX80_TIMING
};
