// Remote control of the running device over the serial link: every text line
// received is a key script in the batch runner's tokens ("TEXT:HELLO PRINT
// CUT"), queued and fed to the device at its own pace, one step after each
// other as a person would type; the line "STATE?" is answered, once the keys
// before it have been taken, with the device state as one JSON line (the
// screen read back as text included). Every other line is acknowledged: "OK"
// once its keys are done and the device has settled after them, or
// "ERR <reason>" at once for a bad line, of which nothing is queued.
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

  // Longest line taken; a longer one is answered with ERR and skipped.
  static constexpr size_t kMaxLine = 4096;
  // Steps waiting at most; a line that would pass it is refused.
  static constexpr size_t kMaxQueued = 100000;

  explicit RemoteControl(Reply reply, PanelAction panel = {});

  // Received bytes, in any pieces; each complete line (LF, CR LF or CR) is taken.
  void receive(std::string_view bytes);
  // Called after every device tick: applies the next step when the device has
  // settled from the last one.
  void after_tick();
  // Steps waiting (keys, waits, state answers).
  size_t queued() const { return queue_.size(); }
  // Forgets the queue and a partly received line (the mode was switched off).
  void clear();

 private:
  struct Step {
    enum Kind { Input, State, Done, Answer } kind;  // Done: "OK" once settled
    ScriptToken token;
    std::string answer;
  };
  void take_line(const std::string& line);
  // An ERR answer, after the answers still waiting.
  void refuse(const std::string& why);
  bool device_settled() const;
  void apply(const ScriptToken& token);

  Reply reply_;
  PanelAction panel_;
  std::deque<Step> queue_;
  std::string partial_;
  bool skipping_ = false;          // the rest of an over-long line is dropped
  bool last_was_cr_ = false;       // a LF right after CR ends no second line
  uint32_t ticks_since_step_ = 0;  // a key needs a tick to be taken and one to show
  uint32_t wait_ticks_ = 0;        // what is left of a TICKS:N
  uint32_t popup_ticks_ = 0;       // ticks a key has waited for a popup to close
};
