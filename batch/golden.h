// Golden files for the end-to-end tests: expected pictures (PBM tapes, PNG
// LCD and tape pictures) and texts kept in the case folders under
// tests/golden/, compared pixel by pixel or byte by byte. On a mismatch the
// actual file and, for pictures, a diff picture are written beside the run's
// outputs. With rebaseline (the --rebaseline switch or KLX80_REBASELINE=1)
// the actual output replaces the golden instead.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace golden {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // height rows of width RGB pixels
};

// The whole file as bytes; false when it cannot be read or is a directory
// (which opens as a stream but reads as nothing).
bool read_file(const std::string& path, std::string& out);

// Reads a plain (P1) or binary (P4) PBM, or a PNG. False when it cannot.
bool read_picture(const std::string& path, Picture& out);

// Reads a plain or binary PBM held in memory.
bool picture_from_pbm(const std::string& data, Picture& out);

// What compare() finds without any file of the actual output: true when the
// golden at `expected` is `actual` pixel for pixel (same size), or byte for
// byte. A golden that cannot be read is no match.
bool same_picture(const Picture& actual, const std::string& expected);
bool same_bytes(const std::string& actual, const std::string& expected);

// The fields in which two JSON texts differ, e.g. "lines[1]: 'AB' != 'AC'"
// (actual first; a few, then how many more); "" when they are the same or
// either is no JSON.
std::string json_difference(const std::string& actual, const std::string& expected);

// The diff picture's file name for a golden: lcd.diff.png for lcd.png,
// tape.pbm.diff.png for tape.pbm (so that tape.png's is not overwritten).
std::string diff_picture_name(const std::string& golden_name);

// True when KLX80_REBASELINE is set to something other than 0 or empty.
bool rebaseline_from_env();

struct Result {
  bool ok = false;
  std::string message;  // what differs, and where the diff files went
};

// Compares the file `actual` with `expected` (by extension: .pbm and .png as
// pictures, anything else as bytes). On a mismatch writes
// <work_dir>/<name>.actual.<ext> and, for pictures, the diff picture
// (diff_picture_name; differing pixels red, the rest a pale copy of the
// golden); a state in JSON is told field by field. With rebaseline
// the golden is replaced by the actual file and the result is ok.
Result compare(const std::string& actual, const std::string& expected, const std::string& work_dir, bool rebaseline);

}  // namespace golden
