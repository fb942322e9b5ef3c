// One end-to-end case: runs klx80-batch with the case's key script on a fresh
// copy of the flash image and compares what it wrote with the case's goldens.
//
//   e2e_run --batch BIN --image IMAGE --case DIR --work DIR [--rebaseline]
//
// DIR holds keys.txt and the goldens: tape.pbm, tape.png, lcd.png and
// state.json, each asked of the runner only when the case has it. A first
// line "# outputs: tape.pbm lcd.png" in keys.txt names them for a new case
// (then --rebaseline writes them). A case may also hold before.txt: a key
// script run first on the same image copy, as a device switched off and on
// again between the two scripts; nothing of that first run is compared.
// Exit status 0 when everything matches.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "golden.h"

namespace fs = std::filesystem;

namespace {
const char* const kOutputs[] = {"tape.pbm", "tape.png", "lcd.png", "state.json"};

std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::set<std::string> outputs_of(const fs::path& dir) {
  std::set<std::string> wanted;
  std::ifstream keys(dir / "keys.txt");
  std::string first;
  std::getline(keys, first);
  const std::string tag = "# outputs:";
  if (first.rfind(tag, 0) == 0) {
    std::istringstream names(first.substr(tag.size()));
    for (std::string n; names >> n;) wanted.insert(n);
  }
  for (const char* name : kOutputs)
    if (fs::exists(dir / name)) wanted.insert(name);
  return wanted;
}
}  // namespace

int main(int argc, char** argv) {
  std::string batch, image, case_dir, work;
  bool rebaseline = golden::rebaseline_from_env();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& out) {
      if (i + 1 < argc) out = argv[++i];
    };
    if (a == "--batch")
      next(batch);
    else if (a == "--image")
      next(image);
    else if (a == "--case")
      next(case_dir);
    else if (a == "--work")
      next(work);
    else if (a == "--rebaseline")
      rebaseline = true;
    else {
      std::fprintf(stderr, "e2e_run: unknown argument %s\n", a.c_str());
      return 2;
    }
  }
  if (batch.empty() || image.empty() || case_dir.empty() || work.empty()) {
    std::fprintf(stderr, "usage: e2e_run --batch BIN --image IMAGE --case DIR --work DIR [--rebaseline]\n");
    return 2;
  }
  const fs::path dir(case_dir), out(work);
  std::error_code ec;
  fs::remove_all(out, ec);
  fs::create_directories(out);
  // The build's image is never run on: each case gets its own copy.
  const fs::path flash = out / "fontData.hex";
  fs::copy_file(image, flash, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    std::fprintf(stderr, "e2e_run: cannot copy %s: %s\n", image.c_str(), ec.message().c_str());
    return 1;
  }

  const std::set<std::string> wanted = outputs_of(dir);
  if (wanted.empty()) {
    std::fprintf(stderr, "e2e_run: %s has no goldens and names no outputs\n", case_dir.c_str());
    return 1;
  }
  if (fs::exists(dir / "before.txt")) {
    const std::string first = shell_quote(batch) + " --flash " + shell_quote(flash.string()) + " --script " +
                              shell_quote((dir / "before.txt").string());
    std::printf("%s\n", first.c_str());
    std::fflush(stdout);
    if (std::system(first.c_str()) != 0) {
      std::fprintf(stderr, "e2e_run: klx80-batch failed on before.txt\n");
      return 1;
    }
  }
  std::string command = shell_quote(batch) + " --flash " + shell_quote(flash.string()) + " --script " +
                        shell_quote((dir / "keys.txt").string());
  if (wanted.count("tape.pbm")) command += " --tape-pbm " + shell_quote((out / "tape.pbm").string());
  if (wanted.count("tape.png")) command += " --tape-png " + shell_quote((out / "tape.png").string());
  if (wanted.count("lcd.png")) command += " --lcd-png " + shell_quote((out / "lcd.png").string());
  if (wanted.count("state.json")) command += " --state > " + shell_quote((out / "state.json").string());
  std::printf("%s\n", command.c_str());
  std::fflush(stdout);
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "e2e_run: klx80-batch failed\n");
    return 1;
  }

  int failures = 0;
  for (const std::string& name : wanted) {
    golden::Result r = golden::compare((out / name).string(), (dir / name).string(), out.string(), rebaseline);
    if (!r.ok) ++failures;
    if (!r.message.empty()) std::printf("%s\n", r.message.c_str());
  }
  std::printf("%zu passed, %d failed\n", wanted.size() - failures, failures);
  return failures ? 1 : 0;
}
