#include "host/qt/script_player.h"

#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/qt/media_panel.h"
#include "host/seam/adc.h"
#include "host/session/remote_control.h"
#include "widgets/dial.h"

namespace {
constexpr int kPressedTicks = 6;     // a key drawn pressed for 60 ms of device time
constexpr int kCartridgeStep = 10;   // the media panel's 100 ms step, in device ticks

bool is_device_input(const ScriptToken& t) {
  switch (t.kind) {
    case ScriptToken::Key:
    case ScriptToken::Func:
    case ScriptToken::ShiftDown:
    case ScriptToken::ShiftUp:
    case ScriptToken::Cut:
    case ScriptToken::Esc:
    case ScriptToken::Alt:
    case ScriptToken::FocusOut:
      return true;
    default:
      return false;
  }
}
}  // namespace

ScriptPlayer::ScriptPlayer(DeviceController* controller, DeviceWindow* window, MediaPanel* panel, QObject* parent)
    : QObject(parent), controller_(controller), window_(window), panel_(panel) {
  connect(controller_, &DeviceController::ticked, this, &ScriptPlayer::afterTick);
}

ScriptPlayer::~ScriptPlayer() = default;

bool ScriptPlayer::play(const std::string& text, bool loop, std::string& error, const std::string& script_path) {
  std::vector<ScriptToken> tokens;
  if (!script_parse(text, tokens, error)) return false;
  if (error = controller_->scriptRefusal(tokens, script_path); !error.empty()) return false;
  if (tokens.empty()) {
    error = "the script holds no tokens";
    return false;
  }
  // What the paced runner refuses (SNAP) is refused before anything runs.
  if (RemoteControl check{[](const std::string&) {}}; !check.queue_script(text, error)) return false;
  stop();
  text_ = text;
  script_ = std::move(tokens);
  exact_ = std::any_of(script_.begin(), script_.end(), [](const ScriptToken& t) { return t.kind == ScriptToken::Exact; });
  loop_ = loop;
  rounds_ = 0;
  if (!begin()) {
    error = "the device is not running or is busy; try again in a moment";
    return false;
  }
  setPlaying(true);
  return true;
}

bool ScriptPlayer::begin() {
  // A recording under way keeps its start: the script plays on into it.
  if (!controller_->recording() && !controller_->restartForScript()) return false;
  // The panel shows what the restarted device has; its own timer rests while
  // the script chooses the material (on the script's ticks).
  if (panel_) {
    panel_->applyTimer().stop();
    if (!controller_->recording()) {
      panel_->radioButton(3)->setChecked(true);
      QSignalBlocker quiet(panel_->batteryDial());
      panel_->batteryDial()->setValue(ADC_START_VOLTS);
    }
  }
  ticks_ = target_ = 0;
  cartridge_ticks_ = 0;
  ++rounds_;
  if (exact_) {
    queue_.assign(script_.begin(), script_.end());
    return true;
  }
  paced_ = std::make_unique<RemoteControl>(
      [this](const std::string& line) {
        if (line.rfind("ERR ", 0) == 0) fail(line.substr(4));
      },
      [this](const ScriptToken& t) {
        if (t.kind == ScriptToken::Cart) {
          controller_->selectCartridge(uint8_t(t.value));
          cartridge_ticks_ = kCartridgeStep;
          if (panel_) panel_->radioButton(int(t.value))->setChecked(true);
        } else if (panel_) {
          panel_->batteryDial()->setValue(t.volts);  // the dial shows it and sets the device
        } else {
          controller_->setBattery(t.volts);
        }
      },
      [this](const ScriptToken& t) {
        controller_->playInput(t);
        showPressed(t);
      });
  std::string error;
  paced_->queue_script(text_, error);  // parsed once already in play()
  return true;
}

void ScriptPlayer::stop() {
  if (!playing_) return;
  queue_.clear();
  if (paced_) paced_->clear();
  if (window_) window_->showKeyPressed(-1);
  if (panel_) panel_->applyTimer().start();
  setPlaying(false);
}

void ScriptPlayer::fail(const std::string& message) {
  stop();
  emit refused(QString::fromStdString(message));
}

void ScriptPlayer::setPlaying(bool on) {
  playing_ = on;
  if (window_) window_->setTitleStates(on ? QStringList{loop_ ? QStringLiteral("PLAY (loop)") : QStringLiteral("PLAY")}
                                          : QStringList{});
  emit playingChanged(on);
}

void ScriptPlayer::showPressed(const ScriptToken& t) {
  if (t.kind != ScriptToken::Key || !window_) return;
  window_->showKeyPressed(int(t.value));
  pressed_ticks_ = kPressedTicks;
}

void ScriptPlayer::afterTick() {
  if (!playing_) return;
  ++ticks_;
  if (pressed_ticks_ > 0 && --pressed_ticks_ == 0 && window_) window_->showKeyPressed(-1);
  if (exact_)
    afterTickExact();
  else
    afterTickWritten();
}

void ScriptPlayer::afterTickWritten() {
  // The material change goes on at the panel's pace, on the device's ticks.
  if (cartridge_ticks_ > 0 && --cartridge_ticks_ == 0) {
    controller_->cartridgeTimerStep();
    if (controller_->cartridgeBusy()) cartridge_ticks_ = kCartridgeStep;
  }
  paced_->after_tick();
  if (!playing_ || !paced_->done()) return;
  emit finished();
  if (loop_ && begin()) return;
  stop();
}

void ScriptPlayer::afterTickExact() {
  // A recording's input lands on the tick it was recorded on.
  while (!queue_.empty() && ticks_ >= target_) {
    const ScriptToken t = queue_.front();
    queue_.pop_front();
    if (t.kind == ScriptToken::Ticks) {
      target_ += t.value;
      continue;
    }
    std::string error;
    if (t.kind == ScriptToken::Batt && panel_) {
      panel_->batteryDial()->setValue(t.volts);  // the dial shows it and sets the device
    } else if (is_device_input(t)) {
      controller_->playInput(t);
    } else if (!controller_->runToken(t, error)) {
      return fail(t.source + ": " + error);
    }
    if (t.kind == ScriptToken::Cart && panel_ && t.value < 12) panel_->radioButton(int(t.value))->setChecked(true);
    showPressed(t);
  }
  if (!queue_.empty() || ticks_ < target_) return;  // its last TICKS:N
  emit finished();
  if (loop_ && begin()) return;
  stop();
}
