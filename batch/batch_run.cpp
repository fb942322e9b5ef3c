#include "batch/batch_run.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/animation_file.h"
#include "batch/golden.h"
#include "batch/label_files.h"
#include "batch/suite.h"
#include "host/files/exit_status.h"
#include "host/files/input_file.h"
#include "host/files/output_refusal.h"
#include "host/seam/flash_image.h"
#include "host/session/run_status.h"
#include "host/session/script.h"
#include "host/session/session.h"

namespace {
// A key script is typed text: a few megabytes are far more than any run types.
constexpr uint64_t kScriptLimit = 16u << 20;
const char kUsage[] =
    "usage: klx80-batch [--flash PATH] [--keys \"TOKENS\"]... [--script FILE] [--lcd-png FILE]\n"
    "                   [--tape-png FILE] [--tape-pbm FILE] [--device-png FILE] [--labels DIR] [--state]\n"
    "                   [--animation FILE.gif|.webm|.mp4 [--animation-device]] [--language N]\n"
    "       klx80-batch [--flash PATH] --suite DIR [--rebaseline] [--jobs N] [--work DIR]\n"
    "Exit status: 0 success; 1 the run failed (a script error, an output or a save\n"
    "that could not be written, standard output included, or a run on a missing or\n"
    "damaged image, whose outputs are still written); 2 bad arguments, or an output\n"
    "that names the image or a script or is write-protected (nothing runs); 3 the\n"
    "image is in use by another klx80 program. --language N holds for the run only.\n";

struct Options {
  std::string flash = "fontData.hex";
  std::string script;  // all --keys and --script text, in order
  std::vector<std::string> script_files;
  std::string lcd_png, tape_png, tape_pbm, device_png, labels, animation;
  bool state = false, animation_device = false;
  int language = -1;  // -1: as the image has it
  std::string suite, work = "suite-results";
  bool rebaseline = false, suite_only_option = false;
  int jobs = 1;
};

// An output that names an input (the image, a script) would destroy it, and a
// write-protected one is kept: the whole run is refused before anything is written.
std::string refused_output(const Options& o, const std::vector<ScriptToken>& tokens) {
  std::vector<RunFile> outputs = {{"--lcd-png", o.lcd_png},
                                  {"--tape-png", o.tape_png},
                                  {"--tape-pbm", o.tape_pbm},
                                  {"--device-png", o.device_png},
                                  {"--animation", o.animation}};
  for (const ScriptToken& t : tokens)
    if (t.kind == ScriptToken::Snap) outputs.push_back({"SNAP:", t.text});
  std::vector<RunFile> inputs = {{"the flash image", o.flash}};
  for (const std::string& f : o.script_files) inputs.push_back({"the script", f});
  if (std::string why = output_refusal(outputs, inputs); !why.empty()) return why;
  return output_folder_refusal({"--labels", o.labels}, inputs, LabelFiles::owns);
}

// SIGTERM, SIGINT and SIGHUP end the run between two tokens, so that the
// session closes as on any other failure (the label journalled, a language
// set for the run put back).
std::atomic<int> stop_signal{0};
void on_stop_signal(int sig) {
  stop_signal.store(sig);
  Session::request_stop();
}

int bad_arguments(const std::string& message) {
  std::fprintf(stderr, "klx80-batch: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int batch_main(int argc, char** argv, DevicePictureWriter write_device_png, DeviceFramePainter paint_device_frame) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc || std::string(argv[i + 1]).empty()) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--state") {
      o.state = true;
    } else if (arg == "--flash") {
      if (!value(o.flash)) return bad_arguments("--flash needs a path");
    } else if (arg == "--keys") {
      if (!value(v)) return bad_arguments("--keys needs a list of tokens");
      o.script += v + "\n";
    } else if (arg == "--script") {
      if (!value(v)) return bad_arguments("--script needs a file");
      std::string text;
      std::string why;
      if (!input_file_read(v, text, why, kScriptLimit)) return bad_arguments("cannot read script file: " + why);
      o.script_files.push_back(v);
      o.script += text + "\n";
    } else if (arg == "--lcd-png") {
      if (!value(o.lcd_png)) return bad_arguments("--lcd-png needs a file");
    } else if (arg == "--tape-png") {
      if (!value(o.tape_png)) return bad_arguments("--tape-png needs a file");
    } else if (arg == "--device-png") {
      if (!value(o.device_png)) return bad_arguments("--device-png needs a file");
      if (!write_device_png) return bad_arguments("--device-png is drawn by klx80-shot, which was not found");
    } else if (arg == "--animation") {
      if (!value(o.animation)) return bad_arguments("--animation needs a file");
      if (std::string problem = animation_format_problem(o.animation); !problem.empty())
        return bad_arguments("--animation: " + problem);
    } else if (arg == "--animation-device") {
      o.animation_device = true;
      if (!paint_device_frame)
        return bad_arguments("--animation-device is drawn by klx80-shot, which was not found");
    } else if (arg == "--language") {
      if (!value(v) || v.size() != 1 || v[0] < '0' || v[0] > '5')
        return bad_arguments("--language needs a number from 0 to 5 (English, Spanish, French, Portuguese, "
                             "German, Dutch)");
      o.language = v[0] - '0';
    } else if (arg == "--labels") {
      if (!value(o.labels)) return bad_arguments("--labels needs a directory");
    } else if (arg == "--tape-pbm") {
      if (!value(o.tape_pbm)) return bad_arguments("--tape-pbm needs a file");
    } else if (arg == "--suite") {
      if (!value(o.suite)) return bad_arguments("--suite needs a directory");
    } else if (arg == "--work") {
      if (!value(o.work)) return bad_arguments("--work needs a directory");
      o.suite_only_option = true;
    } else if (arg == "--rebaseline") {
      o.rebaseline = o.suite_only_option = true;
    } else if (arg == "--jobs") {
      char* end = nullptr;
      const long n = value(v) ? std::strtol(v.c_str(), &end, 10) : 0;
      if (!end || *end || n < 1 || n > 64) return bad_arguments("--jobs needs a number from 1 to 64");
      o.jobs = int(n);
      o.suite_only_option = true;
    } else {
      return bad_arguments("unknown argument '" + arg + "'");
    }
  }

  if (!o.suite.empty()) {
    if (!o.script.empty() || !o.lcd_png.empty() || !o.tape_png.empty() || !o.tape_pbm.empty() ||
        !o.device_png.empty() || !o.labels.empty() || o.state || !o.animation.empty() || o.language >= 0)
      return bad_arguments("--suite takes its scripts and outputs from the case folders; give no others");
    return suite_main(SuiteOptions{o.flash, o.suite, o.work, o.rebaseline, o.jobs});
  }
  if (o.suite_only_option) return bad_arguments("--work, --rebaseline and --jobs go with --suite");
  if (o.animation_device && o.animation.empty()) return bad_arguments("--animation-device goes with --animation");

  std::vector<ScriptToken> tokens;
  std::string error;
  if (!script_parse(o.script, tokens, error)) {
    std::fprintf(stderr, "klx80-batch: %s\n", error.c_str());
    return 1;
  }

  if (std::string clash = refused_output(o, tokens); !clash.empty()) {
    std::fprintf(stderr, "klx80-batch: %s\n", clash.c_str());
    return kExitUsage;
  }
  if (FlashImageCheck check = flash_image_inspect(o.flash); check.verdict == FlashImageVerdict::Refused) {
    std::fprintf(stderr, "klx80-batch: %s\n", check.message.c_str());
    return 2;
  }

  LabelFiles labels;  // before the session: it stops listening once the device has stopped
  // The session holds the image alone while the run writes to it: a desktop
  // program or another run on it is refused.
  std::unique_ptr<Session> opened;
  try {
    opened = std::make_unique<Session>(SessionOptions(o.flash));
  } catch (const SessionError& e) {
    std::fprintf(stderr, "klx80-batch: %s\n", e.what());
    return e.in_use() ? kExitInUse : kExitUsage;
  }
  Session& device = *opened;
  if (!o.labels.empty() && !labels.open(o.labels, error)) return bad_arguments(error);
  for (const std::string& f : o.script_files) device.protect_input({"the script", f});
  struct sigaction stop {}, before[3];
  stop.sa_handler = on_stop_signal;
  sigemptyset(&stop.sa_mask);
  const int stop_signals[3] = {SIGTERM, SIGINT, SIGHUP};
  for (int i = 0; i < 3; ++i) sigaction(stop_signals[i], &stop, &before[i]);
  struct Restore {
    const int* signals;
    struct sigaction* before;
    ~Restore() {
      for (int i = 0; i < 3; ++i) sigaction(signals[i], &before[i], nullptr);
    }
  } restore{stop_signals, before};
  if (!device.settle(error)) {
    std::fprintf(stderr, "klx80-batch: at start-up: %s\n", error.c_str());
    return 1;
  }
  // The language as the Language menu stores it, for this run only: the
  // session puts the image's own back when it closes, however the run ends.
  if (o.language >= 0) {
    device.set_language(uint8_t(o.language), true);
    if (!device.settle(error)) {
      std::fprintf(stderr, "klx80-batch: after choosing the language: %s\n", error.c_str());
      return 1;
    }
  }
  std::unique_ptr<AnimationCapture> animation;
  if (!o.animation.empty()) {
    bool captions = false;
    for (const ScriptToken& t : tokens) captions = captions || t.kind == ScriptToken::Caption;
    FramePainter painter;
    if (o.animation_device) painter = paint_device_frame;
    animation = std::make_unique<AnimationCapture>(device, o.animation, painter, captions);
    if (!animation->start(error)) {
      std::fprintf(stderr, "klx80-batch: --animation: %s\n", error.c_str());
      return 1;
    }
  }
  for (const ScriptToken& t : tokens) {
    if (animation) animation->before(t);
    if (!device.run(t, error)) {
      if (const int sig = stop_signal.load()) {
        std::fprintf(stderr, "klx80-batch: stopped by signal %d at %s; the device is closed\n", sig,
                     t.source.c_str());
        return kExitFailed;
      }
      std::fprintf(stderr, "klx80-batch: %s: %s\n", t.source.c_str(), error.c_str());
      return 1;
    }
  }
  if (const int sig = stop_signal.load()) {
    std::fprintf(stderr, "klx80-batch: stopped by signal %d; the device is closed\n", sig);
    return kExitFailed;
  }
  if (!device.finish(error)) {
    std::fprintf(stderr, "klx80-batch: at the end of the script: %s\n", error.c_str());
    return 1;
  }

  int status = 0;
  if (!o.lcd_png.empty() && !device.save_lcd_png(o.lcd_png)) {
    std::fprintf(stderr, "klx80-batch: cannot write '%s'\n", o.lcd_png.c_str());
    status = 1;
  }
  if (!o.tape_png.empty() && !device.save_tape_png(o.tape_png)) {
    std::fprintf(stderr, "klx80-batch: cannot write '%s'\n", o.tape_png.c_str());
    status = 1;
  }
  if (!o.tape_pbm.empty() && !device.save_tape_pbm(o.tape_pbm)) {
    std::fprintf(stderr, "klx80-batch: cannot write '%s'\n", o.tape_pbm.c_str());
    status = 1;
  }
  if (!o.device_png.empty() && !write_device_png(o.device_png)) {
    std::fprintf(stderr, "klx80-batch: cannot write '%s'\n", o.device_png.c_str());
    status = 1;
  }
  if (o.state) {
    std::fputs((device.state_json() + "\n").c_str(), stdout);
    if (!stdout_finished("klx80-batch")) status = kExitFailed;
  }
  if (animation) {
    if (animation->finish(error)) {
      std::fprintf(stderr, "klx80-batch: %s: %zu frames, %.2f s\n", o.animation.c_str(), animation->frames(),
                   double(animation->centiseconds()) / 100);
    } else {
      std::fprintf(stderr, "klx80-batch: --animation: %s\n", error.c_str());
      status = 1;
    }
  }
  device.close();
  // Written once the device has stopped: a close during a job ends it first.
  if (!o.labels.empty() && !labels.finish(error)) {
    std::fprintf(stderr, "klx80-batch: %s\n", error.c_str());
    status = 1;
  }
  return run_status(device, "klx80-batch", status);
}
