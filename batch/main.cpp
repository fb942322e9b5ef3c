// klx80-batch: runs the simulated device without a display, driven by a key
// script, and writes what the device shows (LCD, tape) and its state. It links
// no toolkit; a run that asks for the device window's picture (--device-png)
// or an animation of it (--animation-device) is handed whole to klx80-shot,
// the same runner with the windows' drawing.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/batch_run.h"

namespace {
// The build's own klx80-shot, else one beside this program.
std::string shot_path() {
  std::error_code ec;
#ifdef KLX80_SHOT_PATH
  if (std::filesystem::exists(KLX80_SHOT_PATH, ec)) return KLX80_SHOT_PATH;
#endif
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  std::filesystem::path beside = self.parent_path() / "klx80-shot";
  return std::filesystem::exists(beside, ec) ? beside.string() : "";
}

bool wants_device_png(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--device-png") == 0 || std::strcmp(argv[i], "--animation-device") == 0) return true;
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  if (wants_device_png(argc, argv)) {
    std::string shot = shot_path();
    if (!shot.empty()) {
      std::vector<char*> args(argv, argv + argc + 1);
      args[0] = shot.data();
      execv(shot.c_str(), args.data());
      std::fprintf(stderr, "klx80-batch: cannot run '%s': %s\n", shot.c_str(), std::strerror(errno));
      return 2;
    }
  }
  return batch_main(argc, argv, nullptr);
}
