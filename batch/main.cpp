// klx80-batch: runs the simulated device without a display, driven by a key
// script, and writes what the device shows (LCD, tape) and its state. It links
// no toolkit; a run that asks for the device window's picture (--device-png)
// or an animation of it (--animation-device) is handed whole to klx80-shot,
// the same runner with the windows' drawing, and a WebM or MP4 animation to
// klx80-animate, the same runner with the video encoders.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "anim/animation_file.h"
#include "batch/batch_run.h"

namespace {
// The build's own program (built_in, "" when none), else one of that name
// beside this program.
std::string sibling(const char* built_in, const char* name) {
  std::error_code ec;
  if (*built_in && std::filesystem::exists(built_in, ec)) return built_in;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  std::filesystem::path beside = self.parent_path() / name;
  return std::filesystem::exists(beside, ec) ? beside.string() : "";
}

bool wants_device_png(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--device-png") == 0 || std::strcmp(argv[i], "--animation-device") == 0) return true;
  return false;
}

bool wants_video(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--animation") != 0) continue;
    const std::string format = animation_format(argv[i + 1]);
    if (format == "webm" || format == "mp4") return true;
  }
  return false;
}

// Runs the same arguments in another program; returns only when it cannot.
// Its argv[0] stays this program's, so that its messages name the program
// the user ran.
int hand_over(const std::string& program, int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc + 1);
  execv(program.c_str(), args.data());
  std::fprintf(stderr, "klx80-batch: cannot run '%s': %s\n", program.c_str(), std::strerror(errno));
  return 2;
}

#ifndef KLX80_SHOT_PATH
#define KLX80_SHOT_PATH ""
#endif
#ifndef KLX80_ANIMATE_PATH
#define KLX80_ANIMATE_PATH ""
#endif
}  // namespace

int main(int argc, char** argv) {
  if (wants_device_png(argc, argv)) {
    if (std::string shot = sibling(KLX80_SHOT_PATH, "klx80-shot"); !shot.empty()) return hand_over(shot, argc, argv);
  } else if (wants_video(argc, argv)) {
    if (std::string animate = sibling(KLX80_ANIMATE_PATH, "klx80-animate"); !animate.empty())
      return hand_over(animate, argc, argv);
  }
  return batch_main(argc, argv, nullptr);
}
