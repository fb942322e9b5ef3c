// The golden suite: every case folder under a directory run in one process,
// each on a fresh copy of the flash image, its outputs compared with the
// case's goldens.
//
// A case folder holds keys.txt (a key script), optionally before.txt (a key
// script run first on the same image, as a device switched off and on again
// between the two), optionally flash.hex (the image to start from instead of
// the suite's), and the goldens it is checked against: lcd.png, tape.png,
// tape.pbm, state.json. A first line "# outputs: lcd.png tape.pbm" in
// keys.txt names outputs that have no golden yet (--rebaseline writes them).
//
// Outputs go to <work>/<case>/, with <name>.actual.<ext> and, for pictures,
// <name>.diff.png beside them when they differ; <work>/results.json lists
// every case. The last line printed is "N passed, M failed".
#pragma once
#include <string>

struct SuiteOptions {
  std::string flash;  // the image every case starts from (unless it has its own)
  std::string dir;    // the suite: case folders anywhere below it
  std::string work;   // outputs, diff pictures and results.json
  bool rebaseline = false;
  int jobs = 1;       // worker processes; 1 runs every case in this process
};

// Exit status: 0 every case passed, 1 a case failed, 2 bad arguments (no
// cases, an unusable image or work folder).
int suite_main(const SuiteOptions& options);
