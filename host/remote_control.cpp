#include "host/remote_control.h"

#include <algorithm>

#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "host/adc.h"
#include "host/cartridge_panel.h"
#include "host/keys.h"
#include "host/lcd_text.h"
#include "host/mirror.h"
#include "host/state_json.h"

namespace {
// A timed popup closes on its 102nd tick; one still showing after this is
// untimed and the next key closes it.
constexpr uint32_t kPopupBound = 110;

bool is_key(const ScriptToken& t) {
  return t.kind == ScriptToken::Key || t.kind == ScriptToken::Func || t.kind == ScriptToken::Esc ||
         t.kind == ScriptToken::Alt;
}

void pc_key(uint16_t virtual_key) {
  key_input::key_down(virtual_key);
  key_input::key_up(virtual_key);
}

std::string trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// TEXT:AB_1 becomes the keys A, B, Space, 1, so that each one waits for the
// device to take the one before.
void add_steps(const ScriptToken& t, std::deque<ScriptToken>& out) {
  if (t.kind != ScriptToken::Text) {
    out.push_back(t);
    return;
  }
  for (char c : t.text) {
    ScriptToken key{};
    key.kind = ScriptToken::Key;
    key.source = std::string(1, c);  // not the whole TEXT: token per key
    if (c == '_')
      key.value = KEY_SPACE;
    else if (c >= '0' && c <= '9')
      key.value = key_digit(c - '0');
    else
      key.value = key_letter(char(c >= 'a' && c <= 'z' ? c - 32 : c));
    out.push_back(key);
  }
}
}  // namespace

RemoteControl::RemoteControl(Reply reply, PanelAction panel) : reply_(std::move(reply)), panel_(std::move(panel)) {}

void RemoteControl::clear() {
  queue_.clear();
  partial_.clear();
  skipping_ = false;
  last_was_cr_ = false;
  wait_ticks_ = 0;
}

void RemoteControl::receive(std::string_view bytes) {
  for (char c : bytes) {
    const bool after_cr = last_was_cr_;
    last_was_cr_ = c == '\r';
    if (c == '\n' && after_cr) continue;
    if (c == '\r' || c == '\n') {
      if (!skipping_) take_line(partial_);
      partial_.clear();
      skipping_ = false;
      continue;
    }
    if (skipping_) continue;
    if (partial_.size() >= kMaxLine) {
      refuse("line longer than " + std::to_string(kMaxLine) + " characters");
      partial_.clear();
      skipping_ = true;
      continue;
    }
    partial_ += c;
  }
}

void RemoteControl::take_line(const std::string& raw) {
  const std::string line = trimmed(raw);
  if (line.empty()) return;
  // Our own answers coming back (an echoing line, another simulator on the
  // far end) are not answered again: that would go on for ever.
  if (line.rfind("ERR ", 0) == 0 || line.front() == '{') return;
  // A full queue is said at once: the rig must wait for it to drain.
  const std::string busy = "ERR busy: " + std::to_string(queue_.size()) + " steps queued";
  if (line == "STATE?") {
    if (queue_.size() >= kMaxQueued) return reply_(busy);
    queue_.push_back(Step{Step::State, {}, {}});
    return;
  }
  std::vector<ScriptToken> tokens;
  std::string error;
  if (!script_parse(line, tokens, error)) return refuse(error);
  std::deque<ScriptToken> steps;
  for (const ScriptToken& t : tokens) {
    // A remote line must not write files on this machine.
    if (t.kind == ScriptToken::Snap) return refuse(t.source + ": SNAP is not taken over the link");
    add_steps(t, steps);
  }
  if (queue_.size() + steps.size() > kMaxQueued) return reply_(busy);
  for (const ScriptToken& t : steps) queue_.push_back(Step{Step::Input, t, {}});
}

void RemoteControl::refuse(const std::string& why) {
  const bool answers_wait =
      std::any_of(queue_.begin(), queue_.end(), [](const Step& s) { return s.kind != Step::Input; });
  if (!answers_wait) return reply_("ERR " + why);
  queue_.push_back(Step{Step::Answer, {}, "ERR " + why});
}

bool RemoteControl::device_settled() const {
  // The cut pause takes only Print and Delete; any other key stays in the
  // register until the job ends, as on the device.
  const uint8_t key = kbd_get_key();
  const bool key_done = key == 0 || (cut_waiting() && key != KEY_PRINT && key != KEY_DELETE);
  return ticks_since_step_ >= 2 && wait_ticks_ == 0 && !frame_changed_ && key_done && !ed_redraw_pending() &&
         !prn_engine_busy() && !cart_panel_busy();
}

void RemoteControl::after_tick() {
  ++ticks_since_step_;
  if (wait_ticks_ > 0) --wait_ticks_;
  const uint64_t generation = mirror_generation();
  frame_changed_ = generation != generation_;
  generation_ = generation;
  // An ERR waits only for the answers before it, not for the device.
  while (!queue_.empty() && queue_.front().kind == Step::Answer) {
    reply_(queue_.front().answer);
    queue_.pop_front();
  }
  if (queue_.empty() || !device_settled()) return;

  if (queue_.front().kind == Step::State) {
    queue_.pop_front();
    if (!screen_) screen_ = std::make_shared<const LcdTextReader>(LcdTextReader::from_flash());
    reply_(state_json(screen_.get()));
    return;
  }
  const ScriptToken t = queue_.front().token;
  // A key pressed while a timed popup shows would be dropped: wait for it.
  if (is_key(t) && ui_get_mode() == MODE_POPUP && popup_ticks_ < kPopupBound) {
    ++popup_ticks_;
    return;
  }
  popup_ticks_ = 0;
  queue_.pop_front();
  apply(t);
  ticks_since_step_ = 0;
}

void RemoteControl::apply(const ScriptToken& t) {
  switch (t.kind) {
    case ScriptToken::Key:
      if (t.value == KEY_CAPS)
        pc_key(VK_CAPITAL);  // Caps has no picture on the device window
      else
        key_input::key_picture_down(uint8_t(t.value));
      break;
    case ScriptToken::Func:
      key_input::func_picture_click();
      break;
    case ScriptToken::ShiftDown:
      key_input::key_down(VK_SHIFT);
      break;
    case ScriptToken::ShiftUp:
      key_input::key_up(VK_SHIFT);
      break;
    case ScriptToken::Cut:
      cut_set_done(1);
      break;
    case ScriptToken::Esc:
      pc_key(VK_ESCAPE);
      break;
    case ScriptToken::FocusOut:
      key_input::focus_lost();
      break;
    case ScriptToken::Exact:
      break;  // a remote line is always paced by the device
    case ScriptToken::Alt:
      key_input::key_down(VK_MENU_ALT);
      pc_key(uint16_t(t.value));
      key_input::key_up(VK_MENU_ALT);
      break;
    case ScriptToken::Ticks:
      wait_ticks_ = t.value;
      break;
    case ScriptToken::Cart:
    case ScriptToken::Batt:
      if (panel_) {
        panel_(t);
      } else if (t.kind == ScriptToken::Cart) {
        cart_panel_select(uint8_t(t.value));  // the panel's timer applies it
      } else {
        adc_set_battery_volts(t.volts);
        lcd_show_battery(adc_read(2));
      }
      break;
    case ScriptToken::Text:
    case ScriptToken::Snap:
      break;  // split into keys, or refused, when the line was taken
  }
}
