#include "host/session/remote_control.h"

#include <algorithm>

#include "firmware/kernel/key_codes.h"
#include "host/seam/keys.h"
#include "host/session/session.h"

namespace {
bool is_key(const ScriptToken& t) {
  return t.kind == ScriptToken::Key || t.kind == ScriptToken::Func || t.kind == ScriptToken::Esc ||
         t.kind == ScriptToken::Alt;
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

RemoteControl::RemoteControl(Reply reply, PanelAction panel, InputAction input)
    : reply_(std::move(reply)), panel_(std::move(panel)), input_(std::move(input)) {}

void RemoteControl::clear() {
  queue_.clear();
  partial_.clear();
  skipping_ = false;
  last_was_cr_ = false;
  wait_ticks_ = 0;
  stalled_ticks_ = 0;
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
  if (line.rfind("ERR ", 0) == 0 || line.front() == '{' || line == "OK") return;
  // A full queue is said at once: the rig must wait for it to drain.
  const std::string busy = "ERR busy: " + std::to_string(queue_.size()) + " steps queued";
  if (line == "STATE?") {
    if (queue_.size() >= kMaxQueued) return reply_(busy);
    queue_.push_back(Step{Step::State, {}, {}});
    return;
  }
  std::vector<ScriptToken> tokens;
  std::string error;
  std::deque<ScriptToken> steps;
  if (!script_parse(line, tokens, error) || !steps_of(tokens, steps, error)) return refuse(error);
  if (tokens.empty()) return;  // a comment: nothing to do, nothing to say
  if (queue_.size() + steps.size() + 1 > kMaxQueued) return reply_(busy);
  for (const ScriptToken& t : steps) queue_.push_back(Step{Step::Input, t, {}});
  queue_.push_back(Step{Step::Done, {}, {}});
}

bool RemoteControl::steps_of(const std::vector<ScriptToken>& tokens, std::deque<ScriptToken>& steps,
                             std::string& error) const {
  for (const ScriptToken& t : tokens) {
    // Neither a remote line nor a script played in the window writes files
    // on this machine (klx80-batch does).
    if (t.kind == ScriptToken::Snap) {
      error = t.source + ": SNAP writes a file; lines over the link and scripts played in the window write none";
      return false;
    }
    add_steps(t, steps);
  }
  return true;
}

bool RemoteControl::queue_script(const std::string& script, std::string& error) {
  std::vector<ScriptToken> tokens;
  std::deque<ScriptToken> steps;
  if (!script_parse(script, tokens, error) || !steps_of(tokens, steps, error)) return false;
  if (queue_.size() + steps.size() > kMaxQueued) {
    error = "the script has more than " + std::to_string(kMaxQueued) + " steps";
    return false;
  }
  for (const ScriptToken& t : steps) queue_.push_back(Step{Step::Input, t, {}});
  return true;
}

namespace {
// An answer is one line of text: bytes that are not printable (line ends,
// binary noise echoed from the line) are written \xNN.
std::string escaped(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += char(c);
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}
}  // namespace

void RemoteControl::refuse(const std::string& raw_why) {
  const std::string why = escaped(raw_why);
  const bool answers_wait =
      std::any_of(queue_.begin(), queue_.end(), [](const Step& s) { return s.kind != Step::Input; });
  if (!answers_wait) return reply_("ERR " + why);
  queue_.push_back(Step{Step::Answer, {}, "ERR " + why});
}

// Paced as a person would be: a key needs a tick to be taken and one to
// show, a material change goes on at the panel's pace, and then the device
// must have settled as the batch runner's does.
bool RemoteControl::device_settled() const {
  const Session* session = Session::current();
  return session && ticks_since_step_ >= 2 && wait_ticks_ == 0 && session->settled() && !session->cartridge_busy();
}

void RemoteControl::after_tick() {
  ++ticks_since_step_;
  if (wait_ticks_ > 0) --wait_ticks_;
  // An ERR waits only for the answers before it, not for the device.
  while (!queue_.empty() && queue_.front().kind == Step::Answer) {
    const std::string answer = std::move(queue_.front().answer);
    queue_.pop_front();
    reply_(answer);  // may clear the queue (a player stopping)
  }
  if (queue_.empty()) return;
  if (!device_settled()) {
    // A device that never settles after a step (an engine that never
    // finishes) is told with that step, and the rest is dropped.
    if (wait_ticks_ == 0 && ++stalled_ticks_ > kStallTicks) {
      clear();
      reply_("ERR " + escaped(last_step_) + ": the device did not settle within " + std::to_string(kStallTicks) +
             " ticks");
    }
    return;
  }
  stalled_ticks_ = 0;

  if (queue_.front().kind == Step::State) {
    queue_.pop_front();
    if (Session* session = Session::current()) reply_(session->state_json());
    return;
  }
  if (queue_.front().kind == Step::Done) {
    queue_.pop_front();
    reply_("OK");
    return;
  }
  const ScriptToken t = queue_.front().token;
  // A key pressed while a timed popup shows would be dropped: wait for it.
  if (is_key(t) && Session::current()->popup_showing() && popup_ticks_ < Session::kPopupBound) {
    ++popup_ticks_;
    return;
  }
  popup_ticks_ = 0;
  queue_.pop_front();
  last_step_ = t.source;
  apply(t);
  ticks_since_step_ = 0;
}

void RemoteControl::apply(const ScriptToken& t) {
  Session& device = *Session::current();
  if (input_ && (is_key(t) || t.kind == ScriptToken::ShiftDown || t.kind == ScriptToken::ShiftUp ||
                 t.kind == ScriptToken::Cut || t.kind == ScriptToken::FocusOut))
    return input_(t);
  switch (t.kind) {
    case ScriptToken::Key:
      device.press_key(uint8_t(t.value));
      break;
    case ScriptToken::Func:
      device.click_func();
      break;
    case ScriptToken::ShiftDown:
      device.key_down(VK_SHIFT);
      break;
    case ScriptToken::ShiftUp:
      device.key_up(VK_SHIFT);
      break;
    case ScriptToken::Cut:
      device.press_cut();
      break;
    case ScriptToken::Esc:
      device.press_esc();
      break;
    case ScriptToken::FocusOut:
      device.focus_lost();
      break;
    case ScriptToken::Caption:
    case ScriptToken::Exact:
      break;  // a remote line is always paced by the device
    case ScriptToken::Alt:
      device.alt_command(uint16_t(t.value));
      break;
    case ScriptToken::Ticks:
      wait_ticks_ = t.value;
      break;
    case ScriptToken::Cart:
    case ScriptToken::Batt:
      if (panel_)
        panel_(t);
      else if (t.kind == ScriptToken::Cart)
        device.select_cartridge(uint8_t(t.value));  // the panel's timer applies it
      else
        device.set_battery(t.volts);
      break;
    case ScriptToken::Text:
    case ScriptToken::Snap:
      break;  // split into keys, or refused, when the line was taken
  }
}
