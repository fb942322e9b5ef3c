// One case of the golden suite, run on the device of this process.
#pragma once
#include <filesystem>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LcdTextReader;

struct SuiteCase {
  std::string name;  // its folder below the suite, with '/'
  std::filesystem::path dir;
  bool own_image = false;  // the folder holds something named flash.hex (it must be an image)
};

struct SuiteRun {
  std::string flash;          // the suite's image
  std::string work;           // outputs go to <work>/<case name>/
  std::string scratch_image;  // where this process copies a case's own image
  bool rebaseline = false;
  std::string suite;  // the suite's folder: a rebaseline writes nothing outside it
};

struct SuiteResult {
  std::string name;
  bool ok = false;
  double seconds = 0;
  std::vector<std::string> messages;  // why it failed, where its diff went
};

// What the cases of one process share: the suite's image as read once (and
// checked by the first case that starts from it), and the screen text's
// glyph tables of its fonts.
struct SuiteShared {
  SuiteShared();
  ~SuiteShared();
  std::vector<uint8_t> image;
  bool image_checked = false;
  std::shared_ptr<const LcdTextReader> screen;
};

// Every folder below dir that holds keys.txt, sorted by name.
// A folder that holds keys.txt itself is a suite of that one case.
std::vector<SuiteCase> suite_find_cases(const std::string& dir);

// Outputs that match their goldens are compared in memory and never
// written; the case's folder below the work folder is made only for one that
// differs (the actual file and its diff picture), for SNAP pictures and when
// rebaselining.
SuiteResult suite_run_case(const SuiteCase& c, const SuiteRun& run, SuiteShared& shared);
