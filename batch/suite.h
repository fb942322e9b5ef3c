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
//
// For CI: --filter GLOB keeps the cases whose name matches, --shard K/N the
// K-th of N shares (every machine of a matrix runs one; the N shares cover
// every case once), --list names the cases that would run, --junit FILE writes
// the verdicts as JUnit XML, and --timeout S fails a case that runs longer.
#pragma once
#include <string>
#include <vector>

struct SuiteOptions {
  std::string flash;  // the image every case starts from (unless it has its own)
  std::string dir;    // the suite: case folders anywhere below it
  std::string work;   // outputs, diff pictures and results.json
  bool rebaseline = false;
  int jobs = 1;       // worker processes; 1 runs every case in this process
  std::vector<std::string> filters;  // globs on case names; a case matching any runs
  int shard = 1, shards = 1;         // run the shard-th of shards shares
  bool list = false;                 // name the cases, run none
  std::string junit;                 // JUnit XML of the verdicts, "" none
  double timeout = 0;                // seconds a case may run, 0 no limit
};

// "K/N" with 1 <= K <= N <= 1000; false when it is not one.
bool suite_parse_shard(const std::string& text, int& shard, int& shards);

// Exit status: 0 every case passed, 1 a case failed, 2 bad arguments (no
// cases, an unusable image or work folder).
int suite_main(const SuiteOptions& options);
