#include "host/qt/script_player.h"

#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/qt/media_panel.h"
#include "host/seam/adc.h"
#include "widgets/dial.h"

namespace {
constexpr int kPressedTicks = 6;  // a key drawn pressed for 60 ms of device time
}  // namespace

ScriptPlayer::ScriptPlayer(DeviceController* controller, DeviceWindow* window, MediaPanel* panel, QObject* parent)
    : QObject(parent), controller_(controller), window_(window), panel_(panel) {
  connect(controller_, &DeviceController::ticked, this, &ScriptPlayer::afterTick);
}

bool ScriptPlayer::play(const std::string& text, bool loop, std::string& error, const std::string& script_path) {
  std::vector<ScriptToken> tokens;
  if (!script_parse(text, tokens, error)) return false;
  if (error = controller_->scriptRefusal(tokens, script_path); !error.empty()) return false;
  if (tokens.empty()) {
    error = "the script holds no tokens";
    return false;
  }
  stop();
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
  if (!controller_->restartForScript()) return false;
  // The panel shows what the restarted device has; its own timer rests while
  // the script chooses the material (on the script's ticks).
  if (panel_) {
    panel_->applyTimer().stop();
    panel_->radioButton(3)->setChecked(true);
    QSignalBlocker quiet(panel_->batteryDial());
    panel_->batteryDial()->setValue(ADC_START_VOLTS);
  }
  queue_.assign(script_.begin(), script_.end());
  ticks_ = target_ = wait_until_ = 0;
  ++rounds_;
  return true;
}

void ScriptPlayer::stop() {
  if (!playing_) return;
  queue_.clear();
  if (window_) window_->showKeyPressed(-1);
  if (panel_) panel_->applyTimer().start();
  setPlaying(false);
}

void ScriptPlayer::setPlaying(bool on) {
  playing_ = on;
  if (window_) window_->setTitleStates(on ? QStringList{loop_ ? QStringLiteral("PLAY (loop)") : QStringLiteral("PLAY")}
                                          : QStringList{});
  emit playingChanged(on);
}

void ScriptPlayer::afterTick() {
  if (!playing_) return;
  ++ticks_;
  if (pressed_ticks_ > 0 && --pressed_ticks_ == 0 && window_) window_->showKeyPressed(-1);
  while (!queue_.empty()) {
    // A recording's input lands on its tick; a written script's waits for the device.
    if (exact_ ? ticks_ < target_ : ticks_ < wait_until_ || !controller_->settled()) return;
    const ScriptToken t = queue_.front();
    queue_.pop_front();
    if (t.kind == ScriptToken::Ticks) {
      if (exact_) {
        target_ += t.value;
      } else {
        wait_until_ = ticks_ + t.value;
      }
      continue;
    }
    std::string error;
    if (t.kind == ScriptToken::Batt && panel_) {
      panel_->batteryDial()->setValue(t.volts);  // the dial shows it and sets the device
    } else if (!controller_->runToken(t, error)) {
      stop();
      return;
    }
    if (t.kind == ScriptToken::Cart && panel_ && t.value < 12) panel_->radioButton(int(t.value))->setChecked(true);
    if (t.kind == ScriptToken::Key && window_) {
      window_->showKeyPressed(int(t.value));
      pressed_ticks_ = kPressedTicks;
    }
    // A written script: a key needs a tick to be taken and one to show.
    if (!exact_ && t.kind != ScriptToken::Exact) {
      wait_until_ = ticks_ + 2;
      return;
    }
  }
  if (exact_ ? ticks_ < target_ : ticks_ < wait_until_) return;  // its last TICKS:N
  emit finished();
  if (loop_ && begin()) return;
  stop();
}
