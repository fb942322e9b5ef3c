#include "batch/suite_case.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "batch/golden.h"
#include "host/seam/flash_image.h"
#include "host/session/session.h"
#include "host/files/output_file.h"
#include "host/files/output_refusal.h"
#include "host/files/png.h"
#include "host/session/script.h"
#include "host/files/tape_view.h"

namespace fs = std::filesystem;

namespace {
const char* const kOutputs[] = {"lcd.png", "state.json", "tape.pbm", "tape.png"};

// The goldens present, and the outputs a first "# outputs:" line names. A
// name that is no output (a misspelt "lcd.pgn") is refused: error says so.
std::set<std::string> outputs_of(const fs::path& dir, const std::string& keys, std::string& error) {
  std::set<std::string> wanted;
  const std::string tag = "# outputs:";
  if (keys.rfind(tag, 0) == 0) {
    std::istringstream names(keys.substr(tag.size(), keys.find('\n') - tag.size()));
    for (std::string n; names >> n;) {
      if (std::find(std::begin(kOutputs), std::end(kOutputs), n) == std::end(kOutputs))
        error = "keys.txt: \"# outputs:\" names '" + n + "', which is no output (lcd.png, state.json, tape.pbm, tape.png)";
      wanted.insert(n);
    }
  }
  std::error_code ec;
  for (const char* name : kOutputs)
    if (fs::exists(dir / name, ec)) wanted.insert(name);
  return wanted;
}

// The script of a case file read as text (nullptr: it could not be read).
bool parse(const fs::path& path, const std::string* text, std::vector<ScriptToken>& tokens, std::string& error) {
  if (!text) {
    error = "cannot read " + path.string();
    return false;
  }
  if (!script_parse(*text, tokens, error)) {
    error = path.filename().string() + ": " + error;
    return false;
  }
  return true;
}

bool parse(const fs::path& path, std::vector<ScriptToken>& tokens, std::string& error) {
  std::string text;
  return parse(path, golden::read_file(path, text) ? &text : nullptr, tokens, error);
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

// A new golden goes into the repository: packed as small as zlib can.
bool write_output(const Output& o, const fs::path& path, bool golden) {
  if (o.name == "lcd.png" || o.name == "tape.png")
    return png_write_rgb(path.string(), o.pixels.width, o.pixels.height, o.pixels.rgb.data(),
                         golden ? 9 : PNG_LEVEL);
  return output_file_write_bytes(path.string(), o.bytes.data(), o.bytes.size());
}

// Where a case's device starts. The suite's image is read and checked once
// per process and every case starts from a copy in memory; a case's own
// flash.hex (any size, damaged, as a user may have one) is copied over the
// process's scratch file and opened as a user's file is. Neither is synced.
struct Start {
  const std::vector<uint8_t>* bytes = nullptr;  // the suite's image, or what before.txt left
  std::vector<uint8_t> left;
  std::string path;  // the scratch copy, when bytes is null
};

SessionOptions options_for(const Start& start, SuiteShared& shared) {
  SessionOptions o(start.path);
  o.durability = FlashDurability::Never;
  if (start.bytes) {
    o.image_bytes = *start.bytes;
    o.check_image = !shared.image_checked;
    shared.image_checked = true;
  }
  return o;
}

// The device part of a case: before.txt, then keys.txt (its text, read by
// the caller; nullptr when it could not be); its outputs kept. False with a
// message when a script does not parse or run.
bool run_device(const SuiteCase& c, const std::string* keys_text, Start start, const std::string& image,
                const fs::path& out, const std::set<std::string>& wanted, SuiteShared& shared,
                std::vector<Output>& outputs, std::string& error) {
  std::vector<ScriptToken> before, keys;
  std::error_code ec;
  const bool has_before = fs::exists(c.dir / "before.txt", ec);
  if (has_before && !parse(c.dir / "before.txt", before, error)) return false;
  if (!parse(c.dir / "keys.txt", keys_text, keys, error)) return false;
  const int language = language_of(*keys_text);
  if (language == -2) {
    error = "keys.txt: \"# language:\" takes a number from 0 to 5";
    return false;
  }
  for (ScriptToken& t : keys) {
    if (t.kind != ScriptToken::Snap) continue;
    // A picture taken on the way lands with the case's outputs, never in the suite.
    if (fs::path(t.text).is_relative()) t.text = (out / t.text).string();
    const std::vector<RunFile> inputs = {{"the flash image " + image, image},
                                         {"the case's keys.txt", (c.dir / "keys.txt").string()},
                                         {"the case's before.txt", (c.dir / "before.txt").string()}};
    if (error = output_refusal({"SNAP:", t.text}, inputs); !error.empty()) return false;
    fs::create_directories(out, ec);
  }
  if (has_before) {
    Session device{options_for(start, shared)};
    if (!run_script(device, before, error)) {
      error = "before.txt: " + error;
      return false;
    }
    device.close();
    // Switched off and on again: the next device finds what this one left.
    if (start.bytes) {
      start.left = device.image_bytes();
      start.bytes = &start.left;
    }
  }
  Session device{options_for(start, shared)};
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

bool read_image(const fs::path& from, std::vector<uint8_t>& bytes, std::string& error) {
  // A case's own image that is none (a folder, a device, a link to nothing)
  // fails the case: running it on the suite's image would pass it wrongly.
  const FlashImageCheck check = flash_image_inspect(from.string());
  if (check.verdict == FlashImageVerdict::Refused || check.verdict == FlashImageVerdict::Missing) {
    std::error_code ec;
    if (fs::is_symlink(from, ec) && !fs::exists(from, ec))
      error = "the flash image " + from.string() + " is a link that leads to no file";
    else if (fs::is_directory(from, ec))
      error = "the flash image " + from.string() + " is a directory";
    else
      error = "cannot use the flash image: " + check.message;
    return false;
  }
  if (!flash_image_read(from.string(), bytes)) {
    error = "cannot read the flash image " + from.string();
    return false;
  }
  return true;
}

// The image a case starts from: the suite's (read once) in memory, or its
// own written over the process's scratch copy (a rewrite in place, no new
// file per case). An image of the suite that is no whole flash image goes
// the scratch way too, so that the device meets it as a user would.
bool fresh_image(const SuiteCase& c, const SuiteRun& run, SuiteShared& shared, Start& start, std::string& error) {
  if (!c.own_image && shared.image.empty() && !read_image(run.flash, shared.image, error)) return false;
  if (!c.own_image && shared.image.size() == FLASH_IMAGE_SIZE) {
    start.bytes = &shared.image;
    return true;
  }
  std::vector<uint8_t> own;
  if (c.own_image && !read_image(c.dir / "flash.hex", own, error)) return false;
  const std::vector<uint8_t>& bytes = c.own_image ? own : shared.image;
  std::fstream f(run.scratch_image, std::ios::binary | std::ios::in | std::ios::out);
  if (!f) f.open(run.scratch_image, std::ios::binary | std::ios::out | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  f.close();
  std::error_code ec;
  if (f && fs::file_size(run.scratch_image, ec) != bytes.size()) fs::resize_file(run.scratch_image, bytes.size(), ec);
  if (!f || ec) {
    error = "cannot write the case's copy of the flash image " + run.scratch_image;
    return false;
  }
  start.path = run.scratch_image;
  return true;
}
}  // namespace

namespace {
// Anything named flash.hex in a case folder is meant as its image, even a
// link that leads nowhere.
bool names_image(const fs::path& dir) {
  std::error_code ec;
  return fs::symlink_status(dir / "flash.hex", ec).type() != fs::file_type::not_found;
}

// Where a rebaseline would write: the golden's own file (through links) must
// lie in the suite's folder.
bool leads_out(const fs::path& golden, const std::string& suite) {
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(golden, ec), root = fs::weakly_canonical(suite, ec);
  if (ec) return true;
  const auto [root_end, target_end] = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
  return root_end != root.end();
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
    return {SuiteCase{name.empty() ? "case" : name.string(), path, names_image(path)}};
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
    c.own_image = names_image(it->path());
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
  const bool keys_read = golden::read_file(c.dir / "keys.txt", keys);
  std::set<std::string> wanted = outputs_of(c.dir, keys, error);
  if (!error.empty()) {
    r.messages.push_back(error);
    return finish(false);
  }
  if (wanted.empty() && !run.rebaseline) {
    r.messages.push_back("no goldens and no \"# outputs:\" line");
    return finish(false);
  }
  // A new case rebaselined without saying what it records: the screen and the state.
  if (wanted.empty()) wanted = {"lcd.png", "state.json"};
  const fs::path out = fs::path(run.work) / c.name;
  std::vector<Output> outputs;
  Start from;
  const std::string image = c.own_image ? (c.dir / "flash.hex").string() : run.flash;
  if (!fresh_image(c, run, shared, from, error) ||
      !run_device(c, keys_read ? &keys : nullptr, std::move(from), image, out, wanted, shared, outputs, error)) {
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
    if (run.rebaseline && !run.suite.empty() && leads_out(expected, run.suite)) {
      r.messages.push_back("cannot rebaseline " + expected.string() + ": it leads out of the suite folder " + run.suite);
      ok = false;
      continue;
    }
    fs::create_directories(out, ec);
    if (!write_output(o, out / o.name, run.rebaseline)) {
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
