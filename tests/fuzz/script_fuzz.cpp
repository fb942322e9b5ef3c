// Key scripts as a person or a test rig may type them: any bytes through the
// parser, and a script that parses run on a device with a fresh image, its
// ticks bounded (TICKS is capped, every settle and the whole run too).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_device.h"
#include "tests/core/test_font_image.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_device::install_quiet_ui();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> clean = test_font_image::build();
  std::vector<ScriptToken> tokens;
  std::string error;
  if (!script_parse(std::string(reinterpret_cast<const char*>(data), size), tokens, error) || tokens.empty())
    return 0;
  fuzz_device::options().image_bytes = clean;
  fuzz_device::run_script(tokens, false);
  return 0;
}
