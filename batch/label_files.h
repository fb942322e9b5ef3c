// --labels DIR: every label printed during a run written as its own picture,
// label-0001.png and label-0001.pbm (one pixel per dot, the tape of that label
// alone, as the tape holds it when the label ends), and labels.json with one
// entry per label: number, columns, label type, cartridge, the copy of its
// value, and the serial text printed (null for a label without a serial).
#pragma once
#include <string>
#include <vector>

#include "host/seam/tape.h"
#include "host/seam/tape_history.h"

class LabelFiles {
 public:
  LabelFiles() = default;
  LabelFiles(const LabelFiles&) = delete;
  LabelFiles& operator=(const LabelFiles&) = delete;
  ~LabelFiles();

  // The names the run writes, or removes as an earlier run's, in its folder.
  static bool owns(const std::string& name);
  // Creates the directory when missing and starts listening to the tape.
  // Pictures of an earlier run named label-NNNN are removed; other files stay.
  bool open(const std::string& dir, std::string& error);
  // Stops listening and writes labels.json; false names the first file that
  // could not be written. Call once the device has stopped.
  bool finish(std::string& error);

 private:
  struct Entry {
    size_t number;
    size_t columns;
    TapeLabel facts;  // type, material, copy, serial; no columns
  };
  static void on_tape(TapeEvent event, void* self);
  void label_ended();
  void stop_listening();

  std::string dir_;
  std::vector<Entry> entries_;  // written by the worker thread, read after it stopped
  std::string failed_;
  bool listening_ = false;
};
