#include "batch/batch_run.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "anim/animation_file.h"
#include "anim/caption_text.h"
#include "batch/golden.h"
#include "batch/label_files.h"
#include "batch/serial_remote.h"
#include "batch/suite.h"
#include "host/files/exit_status.h"
#include "host/files/input_file.h"
#include "host/files/output_file.h"
#include "host/files/output_refusal.h"
#include "host/files/png.h"
#include "host/files/tape_view.h"
#include "host/seam/flash_image.h"
#include "host/session/run_status.h"
#include "host/session/script.h"
#include "host/session/session.h"

namespace {
// A key script is typed text: a few megabytes are far more than any run types.
constexpr uint64_t kScriptLimit = 16u << 20;
// The program's own name in its usage and messages: klx80-batch, or
// klx80-shot and klx80-animate, the same run with more linked in.
std::string tool = "klx80-batch";

std::string usage() {
  const std::string pad(tool.size(), ' ');
  std::string text =
      "usage: " + tool + " [--flash PATH] [--keys \"TOKENS\"]... [--script FILE]... [--lcd-png FILE]\n" +
      "       " + pad + " [--tape-png FILE] [--tape-pbm FILE] [--device-png FILE] [--labels DIR] [--state]\n" +
      "       " + pad + " [--animation FILE.gif|.webm|.mp4 [--animation-device]] [--language N]\n" +
      "       " + tool + " [--flash PATH] --suite DIR [--rebaseline] [--jobs N] [--work DIR] [--junit FILE]\n" +
      "       " + pad + " [--shard K/N] [--filter GLOB]... [--list] [--timeout SECONDS]\n" +
      "       " + tool + " [--flash PATH] --serial PORT --remote\n";
  if (tool == "klx80-shot") text += "       klx80-shot --web-art DIR     the web edition's device pictures and layout.json\n";
  text +=
      "Options take their value as the next argument or after '=' (--keys=TEXT:HI).\n"
      "\"-\" as the file of one of --lcd-png, --tape-png, --tape-pbm writes it to standard output.\n"
      "--serial PORT --remote: key-script lines from a serial port (or pseudo-terminal), each\n"
      "  answered OK or ERR <reason>; STATE? answered with the --state JSON. Ends at the port's hang-up.\n"
      "Exit status: 0 success; 1 the run failed (a script error, a failed case, an output or a\n"
      "save that could not be written, standard output included, or a run on a missing or\n"
      "damaged image, whose outputs are still written); 2 bad arguments, or an output that\n"
      "names the image or a script or is write-protected (nothing runs); 3 the image is in\n"
      "use by another klx80 program. --language N holds for the run only.\n"
      "--version shows the version.\n";
  return text;
}

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
  SuiteOptions suite_run;  // --junit, --shard, --filter, --list, --timeout
  std::string serial;      // --serial PORT
  bool remote = false;
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
  std::fprintf(stderr, "%s: %s\n%s", tool.c_str(), message.c_str(), usage().c_str());
  return 2;
}

// A message of the run, prefixed with the program's name.
void say(const std::string& message) { std::fprintf(stderr, "%s: %s\n", tool.c_str(), message.c_str()); }

// Writes an output file, or standard output for "-".
bool write_output(const std::string& path, const std::string& bytes) {
  if (path != "-") return output_file_write_bytes(path, bytes.data(), bytes.size());
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

// The one picture of a run written as an output: "" when the device has none.
std::string lcd_png_of(const Session& device) {
  return png_encode_rgb(MIRROR_WIDTH, MIRROR_HEIGHT, device.lcd_rgb().data());
}

}  // namespace

int batch_main(int argc, char** argv, DevicePictureWriter write_device_png, DeviceFramePainter paint_device_frame) {
  tool = std::filesystem::path(argv[0]).filename().string();
  if (tool != "klx80-shot" && tool != "klx80-animate") tool = "klx80-batch";
  Options o;
  std::set<std::string> given;  // options that take one value, once
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    // --name=value is the same as --name value.
    std::optional<std::string> inline_value;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inline_value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    auto value = [&](std::string& out) {
      if (inline_value) {
        if (inline_value->empty()) return false;
        out = *inline_value;
        inline_value.reset();
        return true;
      }
      if (i + 1 >= argc || std::string(argv[i + 1]).empty()) return false;
      out = argv[++i];
      return true;
    };
    static const std::set<std::string> once = {"--flash", "--lcd-png", "--tape-png", "--tape-pbm", "--device-png",
                                               "--animation", "--language", "--labels", "--suite", "--work",
                                               "--jobs", "--junit", "--shard", "--timeout", "--serial"};
    if (once.count(arg) && !given.insert(arg).second)
      return bad_arguments(arg + " is given twice; give it once");
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage().c_str(), stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("%s %s, firmware %s\n", tool.c_str(), KLX80_VERSION, Session::firmware_version().c_str());
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
    } else if (arg == "--junit") {
      if (!value(o.suite_run.junit)) return bad_arguments("--junit needs a file");
      o.suite_only_option = true;
    } else if (arg == "--shard") {
      if (!value(v) || !suite_parse_shard(v, o.suite_run.shard, o.suite_run.shards))
        return bad_arguments("--shard needs K/N, the K-th of N shares (1 <= K <= N), e.g. 2/3");
      o.suite_only_option = true;
    } else if (arg == "--filter") {
      if (!value(v)) return bad_arguments("--filter needs a pattern of case names, e.g. 'menu_*'");
      o.suite_run.filters.push_back(v);
      o.suite_only_option = true;
    } else if (arg == "--list") {
      o.suite_run.list = o.suite_only_option = true;
    } else if (arg == "--timeout") {
      char* end = nullptr;
      const double t = value(v) ? std::strtod(v.c_str(), &end) : 0;
      if (!end || *end || !(t > 0) || t > 86400) return bad_arguments("--timeout needs seconds, more than 0");
      o.suite_run.timeout = t;
      o.suite_only_option = true;
    } else if (arg == "--serial") {
      if (!value(o.serial)) return bad_arguments("--serial needs a port, e.g. /dev/ttyUSB0 or /dev/pts/3");
    } else if (arg == "--remote") {
      o.remote = true;
    } else {
      return bad_arguments("unknown argument '" + arg + "'");
    }
    if (inline_value) return bad_arguments(arg + " takes no value");
  }

  // "-" is standard output, which one output may have (--state writes there too).
  int to_stdout = o.state;
  for (const std::string* out : {&o.lcd_png, &o.tape_png, &o.tape_pbm}) to_stdout += *out == "-";
  if (to_stdout > 1) return bad_arguments("only one output may go to standard output ('-' or --state)");
  for (const std::string* out : {&o.device_png, &o.animation, &o.labels})
    if (*out == "-") return bad_arguments("'-' (standard output) is for --lcd-png, --tape-png or --tape-pbm");

  if (o.remote != !o.serial.empty()) return bad_arguments("--serial PORT and --remote go together");
  if (o.remote) {
    if (!o.suite.empty() || !o.script.empty() || o.suite_only_option || o.state || !o.lcd_png.empty() ||
        !o.tape_png.empty() || !o.tape_pbm.empty() || !o.device_png.empty() || !o.animation.empty() ||
        !o.labels.empty())
      return bad_arguments("--serial --remote takes its keys from the port; give no script, suite or outputs");
  }
  if (!o.suite.empty()) {
    if (!o.script.empty() || !o.lcd_png.empty() || !o.tape_png.empty() || !o.tape_pbm.empty() ||
        !o.device_png.empty() || !o.labels.empty() || o.state || !o.animation.empty() || o.language >= 0)
      return bad_arguments("--suite takes its scripts and outputs from the case folders; give no others");
    SuiteOptions suite = o.suite_run;
    suite.flash = o.flash, suite.dir = o.suite, suite.work = o.work;
    suite.rebaseline = o.rebaseline, suite.jobs = o.jobs;
    return suite_main(suite);
  }
  if (o.suite_only_option)
    return bad_arguments("--work, --rebaseline, --jobs, --junit, --shard, --filter, --list and --timeout go with --suite");
  if (o.animation_device && o.animation.empty()) return bad_arguments("--animation-device goes with --animation");

  std::vector<ScriptToken> tokens;
  std::string error;
  if (!script_parse(o.script, tokens, error)) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), error.c_str());
    return 1;
  }

  if (std::string clash = refused_output(o, tokens); !clash.empty()) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), clash.c_str());
    return kExitUsage;
  }
  if (FlashImageCheck check = flash_image_inspect(o.flash); check.verdict == FlashImageVerdict::Refused) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), check.message.c_str());
    return 2;
  }

  LabelFiles labels;  // before the session: it stops listening once the device has stopped
  // The session holds the image alone while the run writes to it: a desktop
  // program or another run on it is refused.
  std::unique_ptr<Session> opened;
  try {
    opened = std::make_unique<Session>(SessionOptions(o.flash));
  } catch (const SessionError& e) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), e.what());
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
    std::fprintf(stderr, "%s: at start-up: %s\n", tool.c_str(), error.c_str());
    return 1;
  }
  // The language as the Language menu stores it, for this run only: the
  // session puts the image's own back when it closes, however the run ends.
  if (o.language >= 0) {
    device.set_language(uint8_t(o.language), true);
    if (!device.settle(error)) {
      std::fprintf(stderr, "%s: after choosing the language: %s\n", tool.c_str(), error.c_str());
      return 1;
    }
  }
  if (o.remote) {
    const int status = serial_remote_run(tool, device, o.serial);
    device.close();  // the session puts the image's own language back
    return run_status(device, tool.c_str(), status);
  }
  std::unique_ptr<AnimationCapture> animation;
  if (!o.animation.empty()) {
    bool captions = false;
    for (const ScriptToken& t : tokens) {
      if (t.kind != ScriptToken::Caption) continue;
      captions = true;
      // The LCD's band holds two lines: a longer caption is cut, and said so.
      if (!o.animation_device && !caption_fits(t.text, MIRROR_WIDTH))
        say("--animation: the caption '" + t.text + "' needs more than the two lines under the LCD; it is cut at a word");
    }
    FramePainter painter;
    if (o.animation_device) painter = paint_device_frame;
    animation = std::make_unique<AnimationCapture>(device, o.animation, painter, captions);
    if (!animation->start(error)) {
      std::fprintf(stderr, "%s: --animation: %s\n", tool.c_str(), error.c_str());
      return 1;
    }
  }
  for (const ScriptToken& t : tokens) {
    if (animation) animation->before(t);
    if (!device.run(t, error)) {
      if (const int sig = stop_signal.load()) {
        std::fprintf(stderr, "%s: stopped by signal %d at %s; the device is closed\n", tool.c_str(), sig,
                     t.source.c_str());
        return kExitFailed;
      }
      std::fprintf(stderr, "%s: %s: %s\n", tool.c_str(), t.source.c_str(), error.c_str());
      return 1;
    }
  }
  if (const int sig = stop_signal.load()) {
    std::fprintf(stderr, "%s: stopped by signal %d; the device is closed\n", tool.c_str(), sig);
    return kExitFailed;
  }
  if (!device.finish(error)) {
    std::fprintf(stderr, "%s: at the end of the script: %s\n", tool.c_str(), error.c_str());
    return 1;
  }

  int status = 0;
  if (!o.lcd_png.empty() && !(o.lcd_png == "-" ? write_output("-", lcd_png_of(device)) : device.save_lcd_png(o.lcd_png))) {
    say("cannot write '" + o.lcd_png + "'");
    status = 1;
  }
  if (!o.tape_png.empty() &&
      !(o.tape_png == "-" ? write_output("-", device.tape_png()) : device.save_tape_png(o.tape_png))) {
    say("cannot write '" + o.tape_png + "'");
    status = 1;
  }
  if (!o.tape_pbm.empty() &&
      !(o.tape_pbm == "-" ? write_output("-", device.tape_pbm()) : device.save_tape_pbm(o.tape_pbm))) {
    say("cannot write '" + o.tape_pbm + "'");
    status = 1;
  }
  if (!o.device_png.empty() && !write_device_png(o.device_png)) {
    std::fprintf(stderr, "%s: cannot write '%s'\n", tool.c_str(), o.device_png.c_str());
    status = 1;
  }
  if (o.state) {
    std::fputs((device.state_json() + "\n").c_str(), stdout);
    if (!stdout_finished("klx80-batch")) status = kExitFailed;
  }
  if (animation) {
    if (animation->finish(error)) {
      std::fprintf(stderr, "%s: %s: %zu frames, %.2f s\n", tool.c_str(), o.animation.c_str(), animation->frames(),
                   double(animation->centiseconds()) / 100);
    } else {
      std::fprintf(stderr, "%s: --animation: %s\n", tool.c_str(), error.c_str());
      status = 1;
    }
  }
  device.close();
  // Written once the device has stopped: a close during a job ends it first.
  if (!o.labels.empty() && !labels.finish(error)) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), error.c_str());
    status = 1;
  }
  return run_status(device, tool.c_str(), status);
}
