#include "host/qt/device_controller.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "host/files/image_lock.h"
#include "host/seam/adc.h"
#include "host/seam/flash_image.h"
#include "host/seam/host_ui.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/power.h"
#include "host/seam/spi_flash.h"
#include "host/seam/tape.h"
#include "host/session/cartridge_panel.h"
#include "host/session/session.h"

namespace {
long long monotonic_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

DeviceController* running_controller = nullptr;  // the one the key logic brings forward

void tape_listener(TapeEvent event, void* context) {
  // Called on the worker thread: hand the news to the window thread.
  auto* controller = static_cast<DeviceController*>(context);
  if (event == TapeEvent::Begun)
    QMetaObject::invokeMethod(controller, &DeviceController::tapeBegun, Qt::QueuedConnection);
  else
    QMetaObject::invokeMethod(controller, &DeviceController::tapeEnded, Qt::QueuedConnection);
}
}  // namespace

DeviceController::DeviceController(QObject* parent) : QObject(parent) {
  since_start_.start();
  timer_.setInterval(10);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &DeviceController::timerTicks);
  tape_set_listener(tape_listener, this);
}

DeviceController::DeviceController(IdleTag) : idle_(true) {}

std::unique_ptr<DeviceController> DeviceController::idle() {
  return std::unique_ptr<DeviceController>(new DeviceController(IdleTag{}));
}

DeviceController::~DeviceController() {
  if (idle_) return;
  // The worker must not call back into a controller that is gone.
  session_.reset();
  tape_set_listener(nullptr, nullptr);
  if (running_controller == this) {
    running_controller = nullptr;
    key_input::set_bring_to_front(nullptr);
  }
}

void DeviceController::start() {
  if (started_ || idle_) return;
  started_ = true;
  running_controller = this;
  key_input::set_bring_to_front([] {
    if (running_controller) emit running_controller->frontRequested();
  });
  boot(spi_path(), false);
  resumeTimer();
}

SessionClock DeviceController::sessionClock() const {
  return speed_ == kFastest || paused_ ? SessionClock::Virtual : SessionClock::RealTime;
}

void DeviceController::boot(std::string path, bool fresh_inputs) {
  // A person's real data: each save reaches the disk before it counts as saved.
  SessionOptions options(path);
  options.clock = sessionClock();
  options.speed = speed_ == kFastest ? 1 : speed_;
  options.durability = FlashDurability::SyncEachSave;
  options.fresh_inputs = fresh_inputs;  // the media panel and the dial keep their own
  options.refuse_unusable = false;      // told as the start-up warning below
  options.warn_at_open = false;
  options.read_only = read_only_;
  // The program's lock follows the image it runs on.
  if (image_lock_ && !read_only_) image_lock_->acquire(path, ImageLock::Mode::Exclusive);
  options.held_lock = image_lock_;
  try {
    session_ = std::make_unique<Session>(options);
  } catch (const SessionError& e) {
    if (!e.in_use()) throw;
    // Taken by another program since it was checked: run on it read-only.
    read_only_ = options.read_only = true;
    session_ = std::make_unique<Session>(options);
    QTimer::singleShot(0, this, [why = std::string(e.what())] {
      host_ui().warn(why + "; the device runs on it read-only", "Error");
    });
  }
  image_path_ = path;
  generation_after_init_ = mirror_generation();
  checkLcd();
  // The start-up warning: missing, a directory, the wrong size, read-only or
  // damaged font data (the desktop program names the file as it was given).
  std::string problem = session_->open_problem();
  if (!problem.empty()) {
    std::string name = std::filesystem::path(path).filename().string();
    if (problem == "File " + path + " Missing") problem = "File " + name + " Missing";
    QTimer::singleShot(0, this, [problem] { host_ui().warn(problem, "Error"); });
  }
}

bool DeviceController::halt() {
  // A recording runs from its own restart to its end: no other restart inside it.
  if (!started_ || closed_ || idle_ || tick_busy_ || recorder_.recording()) return false;
  timer_.stop();
  session_.reset();  // closed as the window closes; the next one starts with no key waiting
  return true;
}

bool DeviceController::powerCycle() {
  if (!halt()) return false;
  boot(image_path_, false);
  resumeTimer();
  return true;
}

bool DeviceController::openImage(const QString& path, QString& error) {
  // Only a whole flash image replaces the one in use: a file of another size
  // or with damaged font data would run a device without its fonts.
  const FlashImageCheck check = flash_image_check(path.toStdString());
  if (check.verdict == FlashImageVerdict::Refused || check.verdict == FlashImageVerdict::Missing || check.damaged) {
    error = QString::fromStdString(check.message.empty() ? path.toStdString() + " is not a flash image" : check.message);
    return false;
  }
  if (!halt()) {
    error = QStringLiteral("The device is busy; try again in a moment.");
    return false;
  }
  boot(path.toStdString(), false);
  resumeTimer();
  return true;
}

bool DeviceController::resetToFreshImage(const QString& template_path, QString& kept_as, QString& error) {
  // Read-only, the image is another program's or kept as it is on purpose.
  if (read_only_) {
    error = QStringLiteral("The device runs read-only on %1; nothing is changed there.")
                .arg(QString::fromStdString(image_path_));
    return false;
  }
  if (!halt()) {
    error = QStringLiteral("The device is busy; try again in a moment.");
    return false;
  }
  std::string kept, why;
  const std::string path = image_path_;
  bool done = !std::filesystem::exists(path) || flash_image_set_aside(path, ".bak", kept, why);
  if (done && !flash_image_install_template(template_path.toStdString(), path)) {
    why = "A fresh image could not be put at " + path + " from " + template_path.toStdString();
    done = false;
  }
  kept_as = QString::fromStdString(kept);
  error = QString::fromStdString(why);
  boot(path, false);  // on the fresh image, or on what is there when it failed
  resumeTimer();
  return done;
}

QString DeviceController::imagePath() const { return QString::fromStdString(image_path_); }

QString DeviceController::firmwareVersion() { return QString::fromStdString(Session::firmware_version()); }

void DeviceController::tick() {
  if (tick_busy_ || closed_ || !session_) return;
  struct Guard {
    bool& flag;
    explicit Guard(bool& f) : flag(f) { flag = true; }
    ~Guard() { flag = false; }
  } guard(tick_busy_);
  session_->tick();
  ++ticks_run_;
  // A save that did not reach the image (disk full) is told once, after the tick.
  if (std::string problem = session_->take_save_problem(); !problem.empty())
    QTimer::singleShot(0, this, [problem] { host_ui().warn(problem, "Error"); });
  checkLcd();
  emit ticked();
  // A long print (the endless glyph print) shows as it grows, ten times a
  // second, not only when its tape ends.
  if (ticks_run_ % 10 == 0) {
    size_t columns = session_->tape_column_count();
    if (columns != tape_columns_seen_) {
      tape_columns_seen_ = columns;
      emit tapeEnded();
    }
  }
}

void DeviceController::timerTicks() {
  if (speed_ == 1) return tick();  // real time: one tick per 10 ms timer event
  if (speed_ == kFastest) {
    // Back to back for a few milliseconds, then the window's events get their turn.
    QElapsedTimer slice;
    slice.start();
    do {
      const uint64_t before = ticks_run_;
      tick();
      if (ticks_run_ == before) break;  // a question is open inside a tick
    } while (slice.elapsed() < 8);
    return;
  }
  // The ticks owed at this speed since it was chosen; a backlog (the window
  // was busy) is dropped rather than run in one burst.
  const uint64_t due = uint64_t(speed_clock_.nsecsElapsed()) * speed_ / 10000000u;
  if (due > speed_ticks_ + 4 * speed_) speed_ticks_ = due - speed_;
  while (speed_ticks_ < due) {
    ++speed_ticks_;
    tick();
  }
}

void DeviceController::setSpeed(uint32_t factor) {
  if (factor != 1 && factor != 4 && factor != 16) factor = kFastest;
  if (factor == speed_) return;
  speed_ = factor;
  // The worker's waits follow the tick: shortened by the factor, or on the
  // virtual clock that each tick advances.
  if (session_ && !paused_) session_->set_clock(sessionClock(), factor);
  speed_clock_.start();
  speed_ticks_ = 0;
  timer_.setInterval(factor == 1 ? 10 : factor == kFastest ? 0 : 1);
  emit speedChanged(factor);
}

void DeviceController::resumeTimer() {
  if (paused_ || closed_) return;
  speed_clock_.start();
  speed_ticks_ = 0;
  timer_.start();
}

void DeviceController::setPaused(bool on) {
  if (on == paused_ || idle_) return;
  paused_ = on;
  if (on) {
    timer_.stop();
    // The engine's waits go on the virtual clock, which only a tick moves.
    if (session_) session_->set_clock(SessionClock::Virtual, 1);
  } else {
    if (session_) session_->set_clock(sessionClock(), speed_);
    if (started_) resumeTimer();
  }
  emit pausedChanged(on);
}

void DeviceController::stepOneTick() {
  if (paused_) tick();
}

void DeviceController::setFastForward(bool on) {
  if (on == fast_forward_) return;
  fast_forward_ = on;
  if (on) {
    speed_before_ = speed_;
    setSpeed(kFastest);
  } else {
    setSpeed(speed_before_);
  }
}

QString DeviceController::speedName(uint32_t factor) {
  return factor == kFastest ? QStringLiteral("as fast as possible") : QStringLiteral("%1x").arg(factor);
}

void DeviceController::close() {
  if (closed_) return;
  closed_ = true;
  timer_.stop();
  if (session_) {
    session_->close();  // the label journalled, the worker joined
    save_problem_at_close_ = session_->save_problem();
  }
  session_.reset();
  // The next device (tests make several) starts at real time.
  Session::reset_clock();
}

void DeviceController::checkLcd() {
  uint64_t generation = mirror_generation();
  if (generation == lcd_generation_) return;
  lcd_generation_ = generation;
  emit lcdChanged();
}

void DeviceController::noteFramePainted() {
  if (!started_ || mirror_generation() == generation_after_init_) return;
  static const bool timing = qEnvironmentVariableIsSet("KLX80_TIMING");
  // With KLX80_TIMING every new LCD picture on the screen is logged (for the
  // key-to-LCD figure, paired with the key lines of keyDown).
  if (timing && mirror_generation() != generation_painted_) {
    generation_painted_ = mirror_generation();
    std::fprintf(stderr, "klx80: frame %lld us\n", static_cast<long long>(monotonic_us()));
  }
  if (first_frame_ms_ >= 0) return;
  first_frame_ms_ = since_start_.elapsed();
  if (timing)
    std::fprintf(stderr, "klx80: first LCD frame drawn %lld ms after the controller was made (monotonic %lld ms)\n",
                 static_cast<long long>(first_frame_ms_), static_cast<long long>(monotonic_us() / 1000));
}

void DeviceController::keyDown(uint16_t virtual_key) {
  static const bool timing = qEnvironmentVariableIsSet("KLX80_TIMING");
  if (timing) std::fprintf(stderr, "klx80: key %lld us\n", static_cast<long long>(monotonic_us()));
  const key_input::KeyTaken taken = Session::key_down(virtual_key);
  recorder_.key_down(recordingTicks(), virtual_key, taken);
  checkLcd();
}

void DeviceController::keyUp(uint16_t virtual_key) {
  Session::key_up(virtual_key);
  recorder_.key_up(recordingTicks(), virtual_key);
  checkLcd();
}

void DeviceController::pressKeyPicture(uint8_t tag) {
  Session::press_key(tag);
  recorder_.key_picture(recordingTicks(), tag);
  checkLcd();
}

void DeviceController::clickFunc() {
  Session::click_func();
  recorder_.func_click(recordingTicks());
  checkLcd();
}

void DeviceController::forgetModifiers() {
  if (Session::focus_lost()) recorder_.focus_out(recordingTicks());
}

void DeviceController::pressCut() {
  Session::press_cut();
  recorder_.cut(recordingTicks());
}

bool DeviceController::cutPauseWaiting() const { return Session::cut_waiting(); }

uint8_t DeviceController::deviceKeyFor(uint16_t virtual_key) { return key_input::device_key_for(virtual_key); }

void DeviceController::setAutoOffAllowed(bool allowed) { pwr_allow_auto_off(allowed); }

bool DeviceController::autoOffAllowed() const { return pwr_auto_off_allowed(); }

void DeviceController::setBatteryVolts(double volts) { adc_set_battery_volts(float(volts)); }

void DeviceController::setBattery(double volts) {
  Session::set_battery(volts);
  recorder_.battery(recordingTicks(), float(volts));
  checkLcd();
}

void DeviceController::resetCartridgePanel() { cart_panel_init(); }

void DeviceController::selectCartridge(uint8_t id) { Session::select_cartridge(id); }

void DeviceController::cartridgeTimerStep() {
  // The firmware sees a change when the old material comes out: that step is
  // what the recording keeps.
  const uint8_t applied = cart_panel_applied();
  Session::cartridge_step();
  if (cart_panel_applied() != applied) recorder_.cartridge(recordingTicks(), cart_panel_applied());
}

bool DeviceController::restartForScript() {
  if (idle_ || !started_ || closed_ || tick_busy_ || recorder_.recording()) return false;
  session_.reset();
  boot(image_path_, true);
  checkLcd();
  return true;
}

bool DeviceController::runToken(const ScriptToken& token, std::string& error) {
  if (!session_) {
    error = "the device is not running";
    return false;
  }
  const bool done = session_->run(token, error);
  checkLcd();
  return done;
}

std::string DeviceController::scriptRefusal(const std::vector<ScriptToken>& tokens,
                                            const std::string& script_path) const {
  if (!session_) return "";
  return session_->script_refusal(tokens, {{"the key script", script_path}});
}

void DeviceController::playInput(const ScriptToken& t) {
  using key_input::KeyTaken;
  switch (t.kind) {
    case ScriptToken::Key:
      return pressKeyPicture(uint8_t(t.value));
    case ScriptToken::Func:
      return clickFunc();
    case ScriptToken::ShiftDown:
      return keyDown(VK_SHIFT);
    case ScriptToken::ShiftUp:
      return keyUp(VK_SHIFT);
    case ScriptToken::Cut:
      return pressCut();
    case ScriptToken::FocusOut:
      return forgetModifiers();
    case ScriptToken::Esc:
      Session::press_esc();
      recorder_.key_down(recordingTicks(), VK_ESCAPE, KeyTaken{KeyTaken::Escape, 0});
      break;
    case ScriptToken::Alt:
      Session::alt_command(uint16_t(t.value));
      recorder_.key_down(recordingTicks(), uint16_t(t.value), KeyTaken{KeyTaken::AltCommand, 0});
      break;
    default:
      return;  // not input the user gives with keys
  }
  checkLcd();
}

bool DeviceController::startRecording() {
  if (idle_ || !started_ || closed_ || tick_busy_ || recorder_.recording()) return false;
  const uint8_t material = cart_panel_selected();
  const float volts = adc_battery_volts();
  session_.reset();
  recorder_.start(image_path_);  // the image as the restarted device finds it
  record_origin_ = ticks_run_;
  // As the batch runner starts the device: no key held, material 3, 9 V.
  boot(image_path_, true);
  if (material != cart_panel_selected()) selectCartridge(material);  // recorded at the panel's next step
  if (volts != ADC_START_VOLTS) setBattery(volts);
  checkLcd();
  emit recordingChanged(true);
  return true;
}

bool DeviceController::stopRecording(const std::string& path, std::string& error) {
  if (!recorder_.recording()) {
    error = "nothing is being recorded";
    return false;
  }
  if (!recorder_.save(path, image_path_, recordingTicks(), error)) return false;
  emit recordingChanged(false);
  return true;
}
