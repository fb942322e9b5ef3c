// What both fuzz targets share: a quiet device (warnings are expected for
// damaged images and would flood the fuzzer's log), a flash image held in
// memory (no file, never synced), and a key script run within a tick budget
// so that every input ends in a fraction of a second.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/session/session.h"
#include "host/seam/host_ui.h"
#include "host/session/script.h"
#include "host/seam/spi_flash.h"
#include "host/seam/tape.h"

namespace fuzz_device {

// A settle that takes longer than this gives up; a whole input stops once
// the device has run kTickBudget ticks.
constexpr uint32_t kSettleBound = 3000;
constexpr uint64_t kTickBudget = 20000;
constexpr uint32_t kMaxTicksToken = 500;

class QuietUi : public HostUi {
 public:
  void warn(const std::string&, const std::string&) override {}
};

inline void install_quiet_ui() {
  static QuietUi ui;
  host_ui_install(&ui);
}

// Runs tokens on the device until they end or the budget is spent. SNAP
// tokens are skipped: a fuzzed file name must not write anywhere.
inline void run_tokens(Session& device, const std::vector<ScriptToken>& tokens) {
  std::string error;
  for (ScriptToken t : tokens) {
    if (device.ticks() >= kTickBudget) return;
    if (t.kind == ScriptToken::Snap) continue;
    if (t.kind == ScriptToken::Ticks && t.value > kMaxTicksToken) t.value = kMaxTicksToken;
    device.run(t, error);  // a device that does not settle is no fault here
  }
}

// The options of every input's device: the image in memory, no file, never
// synced. One set for the process, so that its image's storage is reused.
inline SessionOptions& options() {
  static SessionOptions o = [] {
    SessionOptions made("");
    made.durability = FlashDurability::Never;
    return made;
  }();
  return o;
}

// Starts the device on options().image_bytes, settles it and runs the
// script. With check_image the image's font sum is checked as a user's is.
inline void run_script(const std::vector<ScriptToken>& tokens, bool check_image) {
  options().check_image = check_image;
  Session device{options()};
  device.set_settle_bound(kSettleBound);
  std::string error;
  device.settle(error);
  run_tokens(device, tokens);
  device.close();
  // The printed tape is kept after a device closes (for whoever reads it)
  // and let go at the next print. Let go now: memory one input leaves to the
  // next looks to libFuzzer like a leak, and it checks for one each time.
  tape_init();
}

inline std::vector<ScriptToken> parse(const std::string& script) {
  std::vector<ScriptToken> tokens;
  std::string error;
  script_parse(script, tokens, error);
  return tokens;
}

}  // namespace fuzz_device
