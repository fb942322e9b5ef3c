// What the suite runner tells besides its summary line: the JUnit XML a CI
// system reads, and the progress line on a terminal.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "batch/suite_case.h"

// One <testcase> per case (named as its folder below the suite), its
// <failure> carrying every message of a failed case. False when the file
// cannot be written.
bool suite_write_junit(const std::string& path, const std::string& suite_name, const std::vector<SuiteResult>& results,
                       double seconds);

// The JUnit XML itself.
std::string suite_junit_xml(const std::string& suite_name, const std::vector<SuiteResult>& results, double seconds);

// "[12/49] 11 passed, 1 failed  menu_file_name", rewritten in place on
// standard error when that is a terminal; nothing otherwise.
class SuiteProgress {
 public:
  explicit SuiteProgress(size_t total);
  void done(const SuiteResult& r);
  // Clears the line before the verdicts are printed.
  void end();

 private:
  bool shown_;
  size_t total_, finished_ = 0, failed_ = 0;
};
