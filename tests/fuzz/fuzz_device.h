// What both fuzz targets share: a quiet device (warnings are expected for
// damaged images and would flood the fuzzer's log), a flash image file in
// memory-backed storage, and a key script run within a tick budget so that
// every input ends in a fraction of a second.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/session/session.h"
#include "host/seam/host_ui.h"
#include "host/session/script.h"
#include "host/seam/spi_flash.h"

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

// /dev/shm when there is one: the image is rewritten for every input. One
// image per process, removed when the process exits.
inline std::string image_path(const char* name) {
  static std::string path;
  std::filesystem::path dir = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                         : std::filesystem::temp_directory_path();
  path = (dir / ("klx80_fuzz_" + std::string(name) + "_" + std::to_string(::getpid()) + ".hex")).string();
  std::atexit([] { std::remove(path.c_str()); });
  return path;
}

inline bool write_image(const std::string& path, const std::vector<uint8_t>& image) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
  return std::fclose(f) == 0 && ok;
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

// Starts the device on the image at path, settles it and runs the script.
inline void run_script(const std::string& path, const std::vector<ScriptToken>& tokens) {
  Session device{SessionOptions(path)};
  device.set_settle_bound(kSettleBound);
  std::string error;
  device.settle(error);
  run_tokens(device, tokens);
  device.close();
}

inline std::vector<ScriptToken> parse(const std::string& script) {
  std::vector<ScriptToken> tokens;
  std::string error;
  script_parse(script, tokens, error);
  return tokens;
}

}  // namespace fuzz_device
