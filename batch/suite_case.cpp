#include "batch/suite_case.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "batch/golden.h"
#include "host/session/session.h"
#include "host/files/output_file.h"
#include "host/files/png.h"
#include "host/session/script.h"
#include "host/files/tape_view.h"

namespace fs = std::filesystem;

namespace {
const char* const kOutputs[] = {"lcd.png", "state.json", "tape.pbm", "tape.png"};

// The goldens present, and the outputs a first "# outputs:" line names.
std::set<std::string> outputs_of(const fs::path& dir, const std::string& keys) {
  std::set<std::string> wanted;
  const std::string tag = "# outputs:";
  if (keys.rfind(tag, 0) == 0) {
    std::istringstream names(keys.substr(tag.size(), keys.find('\n') - tag.size()));
    for (std::string n; names >> n;) wanted.insert(n);
  }
  std::error_code ec;
  for (const char* name : kOutputs)
    if (fs::exists(dir / name, ec)) wanted.insert(name);
  return wanted;
}

bool parse(const fs::path& path, std::vector<ScriptToken>& tokens, std::string& error) {
  std::string text;
  if (!golden::read_file(path, text)) {
    error = "cannot read " + path.string();
    return false;
  }
  if (!script_parse(text, tokens, error)) {
    error = path.filename().string() + ": " + error;
    return false;
  }
  return true;
}

// A "# language: N" line of keys.txt: the language the case runs in (-1
// none, -2 a bad one).
int language_of(const std::string& keys) {
  std::istringstream lines(keys);
  const std::string tag = "# language:";
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(tag, 0) != 0) continue;
    std::istringstream value(line.substr(tag.size()));
    int n = -1;
    std::string rest;
    return (value >> n) && !(value >> rest) && n >= 0 && n <= 5 ? n : -2;
  }
  return -1;
}

bool run_script(Session& device, const std::vector<ScriptToken>& tokens, std::string& error, int language = -1) {
  if (!device.settle(error)) {
    error = "at start-up: " + error;
    return false;
  }
  if (language >= 0 && (!device.set_language(uint8_t(language)) || !device.settle(error))) {
    error = "after choosing the language: " + error;
    return false;
  }
  for (const ScriptToken& t : tokens)
    if (!device.run(t, error)) {
      error = t.source + ": " + error;
      return false;
    }
  if (!device.finish(error)) {
    error = "at the end of the script: " + error;
    return false;
  }
  return true;
}

// One output as the device left it, held in memory.
struct Output {
  std::string name;
  bool picture = false;
  golden::Picture pixels;  // lcd.png, tape.png, tape.pbm
  std::string bytes;       // tape.pbm and state.json as their files hold them
};

Output take_output(Session& device, const std::string& name) {
  Output o;
  o.name = name;
  o.picture = name != "state.json";
  if (name == "lcd.png") {
    o.pixels.width = MIRROR_WIDTH;
    o.pixels.height = MIRROR_HEIGHT;
    o.pixels.rgb = device.lcd_rgb();
  } else if (name == "tape.png") {
    o.pixels.rgb = device.tape_rgb(o.pixels.width);
    o.pixels.height = TAPE_PAINT_HEIGHT;
  } else if (name == "tape.pbm") {
    o.bytes = device.tape_pbm();
    golden::picture_from_pbm(o.bytes, o.pixels);
  } else {
    o.bytes = device.state_json() + "\n";
  }
  return o;
}

bool write_output(const Output& o, const fs::path& path) {
  if (o.name == "lcd.png" || o.name == "tape.png")
    return png_write_rgb(path.string(), o.pixels.width, o.pixels.height, o.pixels.rgb.data());
  std::ofstream out(path, std::ios::binary);
  out << o.bytes;
  return bool(out);
}

// The device part of a case: before.txt, then keys.txt; its outputs kept.
// False with a message when a script does not parse or run.
bool run_device(const SuiteCase& c, const std::string& image, const fs::path& out, const std::set<std::string>& wanted,
                SuiteShared& shared, std::vector<Output>& outputs, std::string& error) {
  std::vector<ScriptToken> before, keys;
  std::error_code ec;
  const bool has_before = fs::exists(c.dir / "before.txt", ec);
  if (has_before && !parse(c.dir / "before.txt", before, error)) return false;
  if (!parse(c.dir / "keys.txt", keys, error)) return false;
  std::string keys_text;
  golden::read_file(c.dir / "keys.txt", keys_text);
  const int language = language_of(keys_text);
  if (language == -2) {
    error = "keys.txt: \"# language:\" takes a number from 0 to 5";
    return false;
  }
  for (ScriptToken& t : keys) {
    if (t.kind != ScriptToken::Snap) continue;
    // A picture taken on the way lands with the case's outputs, never in the suite.
    if (fs::path(t.text).is_relative()) t.text = (out / t.text).string();
    for (const fs::path& input : {fs::path(image), c.dir / "keys.txt", c.dir / "before.txt"})
      if (output_file_same(t.text, input.string())) {
        error = t.source + " names " + input.string() + "; it would be overwritten";
        return false;
      }
    fs::create_directories(out, ec);
  }
  if (has_before) {
    Session device{SessionOptions(image)};
    if (!run_script(device, before, error)) {
      error = "before.txt: " + error;
      return false;
    }
  }
  Session device{SessionOptions(image)};
  if (!run_script(device, keys, error, language)) return false;
  // Every case on the suite's image has the same fonts: one set of tables.
  if (wanted.count("state.json") && !c.own_image) {
    if (!shared.screen) shared.screen = device.screen_reader();
    device.use_screen_reader(shared.screen);
  }
  for (const std::string& name : wanted) outputs.push_back(take_output(device, name));
  device.close();
  return true;
}

// The image a case starts from, written over the process's scratch copy (a
// rewrite in place, no new file per case).
bool fresh_image(const SuiteCase& c, const SuiteRun& run, SuiteShared& shared, std::string& error) {
  std::vector<uint8_t> own;
  const std::vector<uint8_t>* bytes = &shared.image;
  if (c.own_image || shared.image.empty()) {
    std::string text;
    const fs::path from = c.own_image ? c.dir / "flash.hex" : fs::path(run.flash);
    if (!golden::read_file(from, text)) {
      error = "cannot read the flash image " + from.string();
      return false;
    }
    std::vector<uint8_t>& target = c.own_image ? own : shared.image;
    target.assign(text.begin(), text.end());
    bytes = &target;
  }
  std::fstream f(run.scratch_image, std::ios::binary | std::ios::in | std::ios::out);
  if (!f) f.open(run.scratch_image, std::ios::binary | std::ios::out | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
  f.close();
  std::error_code ec;
  if (f && fs::file_size(run.scratch_image, ec) != bytes->size()) fs::resize_file(run.scratch_image, bytes->size(), ec);
  if (!f || ec) {
    error = "cannot write the case's copy of the flash image " + run.scratch_image;
    return false;
  }
  return true;
}
}  // namespace

SuiteShared::SuiteShared() = default;
SuiteShared::~SuiteShared() = default;
std::vector<SuiteCase> suite_find_cases(const std::string& dir) {
  std::vector<SuiteCase> cases;
  std::error_code ec;
  // A case folder given as the suite is a suite of one, named as its folder.
  if (fs::is_regular_file(fs::path(dir) / "keys.txt", ec)) {
    const fs::path path = fs::path(dir).lexically_normal();
    const fs::path name = path.has_filename() ? path.filename() : path.parent_path().filename();
    return {SuiteCase{name.empty() ? "case" : name.string(), path, fs::is_regular_file(path / "flash.hex", ec)}};
  }
  for (fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (!it->is_directory(ec) || !fs::is_regular_file(it->path() / "keys.txt", ec)) continue;
    SuiteCase c;
    c.dir = it->path();
    // Named by its spelling below the suite, links not followed: the name is
    // where its outputs go below the work folder, never outside it.
    c.name = it->path().lexically_relative(dir).lexically_normal().generic_string();
    if (c.name.empty() || c.name == "." || c.name.rfind("..", 0) == 0) continue;
    c.own_image = fs::is_regular_file(it->path() / "flash.hex", ec);
    cases.push_back(std::move(c));
  }
  std::sort(cases.begin(), cases.end(), [](const SuiteCase& a, const SuiteCase& b) { return a.name < b.name; });
  return cases;
}

SuiteResult suite_run_case(const SuiteCase& c, const SuiteRun& run, SuiteShared& shared) {
  const auto start = std::chrono::steady_clock::now();
  SuiteResult r;
  r.name = c.name;
  auto finish = [&](bool ok) {
    r.ok = ok;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  };
  std::string keys, error;
  golden::read_file(c.dir / "keys.txt", keys);
  const std::set<std::string> wanted = outputs_of(c.dir, keys);
  if (wanted.empty()) {
    r.messages.push_back("no goldens and no \"# outputs:\" line");
    return finish(false);
  }
  const fs::path out = fs::path(run.work) / c.name;
  std::vector<Output> outputs;
  if (!fresh_image(c, run, shared, error) || !run_device(c, run.scratch_image, out, wanted, shared, outputs, error)) {
    r.messages.push_back(error);
    return finish(false);
  }
  bool ok = true;
  for (const Output& o : outputs) {
    const fs::path expected = c.dir / o.name;
    if (!run.rebaseline && (o.picture ? golden::same_picture(o.pixels, expected.string())
                                      : golden::same_bytes(o.bytes, expected.string())))
      continue;
    // Differs, or is to become the golden: through the files, as a person
    // will look at them.
    std::error_code ec;
    fs::create_directories(out, ec);
    if (!write_output(o, out / o.name)) {
      r.messages.push_back("cannot write " + (out / o.name).string());
      ok = false;
      continue;
    }
    golden::Result g = golden::compare((out / o.name).string(), expected.string(), out.string(), run.rebaseline);
    ok = ok && g.ok;
    if (!g.message.empty()) r.messages.push_back(g.message);
  }
  return finish(ok);
}
