// Remote control of the running device over the serial link: every text line
// received is a key script in the batch runner's tokens ("TEXT:HELLO PRINT
// CUT"), queued and fed to the device at its own pace, one step after each
// other as a person would type; the line "STATE?" is answered, once the keys
// before it have been taken, with the device state as one JSON line (the
// screen read back as text included). Every other line is acknowledged: "OK"
// once its keys are done and the device has settled after them, or
// "ERR <reason>" at once for a bad line, of which nothing is queued.
//
// The desktop program's Play Key Script feeds a whole script file through the
// same pacing (queue_script), so that a print at real time never blocks the
// window: the queue waits for the device instead of ticking it.
//
// Runs on the thread that ticks the device; knows nothing of ports or
// windows: bytes come in through receive(), answers leave through the reply
// callback (one line, without its line end).
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/session/script.h"

class RemoteControl {
 public:
  using Reply = std::function<void(const std::string& line)>;
  // CART:N and BATT:V done as the media panel would do them (its radio button,
  // its dial), so the panel shows them; without one the core steps are used.
  using PanelAction = std::function<void(const ScriptToken& token)>;
  // The device's own input (keys, Func, Shift, Cut, Esc, Alt, focus lost)
  // given another way (the window's player records it); without one the
  // session takes it directly.
  using InputAction = std::function<void(const ScriptToken& token)>;

  // Longest line taken; a longer one is answered with ERR and skipped.
  static constexpr size_t kMaxLine = 4096;
  // Steps waiting at most; a line that would pass it is refused.
  static constexpr size_t kMaxQueued = 100000;
  // Ticks a step waits for the device at most (ten device minutes, the batch
  // runner's bound): then it is answered with ERR and the rest dropped.
  static constexpr uint32_t kStallTicks = 60000;

  explicit RemoteControl(Reply reply, PanelAction panel = {}, InputAction input = {});

  // Received bytes, in any pieces; each complete line (LF, CR LF or CR) is taken.
  void receive(std::string_view bytes);
  // Called after every device tick: applies the next step when the device has
  // settled from the last one.
  void after_tick();
  // A whole script (lines, comments) queued as one; false with the parse
  // error (or SNAP refused) and nothing queued.
  bool queue_script(const std::string& script, std::string& error);
  // Steps waiting (keys, waits, state answers).
  size_t queued() const { return queue_.size(); }
  // Nothing queued and the device has settled from the last step.
  bool done() const { return queue_.empty() && device_settled(); }
  // Forgets the queue and a partly received line (the mode was switched off).
  void clear();

 private:
  struct Step {
    enum Kind { Input, State, Done, Answer } kind;  // Done: "OK" once settled
    ScriptToken token;
    std::string answer;
  };
  void take_line(const std::string& line);
  // The steps of parsed tokens; false with the reason when one is refused.
  bool steps_of(const std::vector<ScriptToken>& tokens, std::deque<ScriptToken>& steps, std::string& error) const;
  // An ERR answer, after the answers still waiting.
  void refuse(const std::string& why);
  bool device_settled() const;
  void apply(const ScriptToken& token);

  Reply reply_;
  PanelAction panel_;
  InputAction input_;
  std::deque<Step> queue_;
  std::string partial_;
  bool skipping_ = false;          // the rest of an over-long line is dropped
  bool last_was_cr_ = false;       // a LF right after CR ends no second line
  uint32_t ticks_since_step_ = 0;  // a key needs a tick to be taken and one to show
  uint32_t wait_ticks_ = 0;        // what is left of a TICKS:N
  uint32_t popup_ticks_ = 0;       // ticks a key has waited for a popup to close
  uint32_t stalled_ticks_ = 0;     // ticks the next step has waited for the device
  std::string last_step_;          // the step applied last, for a device that does not settle
};
