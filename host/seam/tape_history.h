// Every label printed since the program started, kept after the device has
// cleared its tape for the next one, so that earlier labels can be looked at
// and saved again. The tape module hands each label over as the engine ends
// it (on the worker thread); the windows read copies.
//
// The history is bounded: the newest TAPE_HISTORY_MAX_LABELS labels and at
// most TAPE_HISTORY_MAX_COLUMNS columns; the oldest labels go first. Only the
// desktop program keeps one (tape_history_enable); the batch runner does not.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/seam/tape.h"

constexpr size_t TAPE_HISTORY_MAX_LABELS = 1000;
constexpr size_t TAPE_HISTORY_MAX_COLUMNS = size_t(1) << 20;  // 16 MiB of dots, 131 m of tape
constexpr double TAPE_DOTS_PER_MM = 8.0;

struct TapeLabel {
  uint64_t number = 0;  // 1 for the first label since the program started
  uint64_t tape = 0;    // the tape it was printed on (the device starts one per label, or one per sample run)
  uint8_t label_type = 0, cartridge = 0, copy = 0;
  std::string serial;  // empty: no serial on this label
  std::vector<uint16_t> text;  // its lines' character codes, 0 between lines
  size_t width = 0;  // columns printed (kept even when a copy leaves the dots out)
  std::vector<TapeColumn> columns;
  double length_mm() const { return double(width) / TAPE_DOTS_PER_MM; }
};

// The facts of the label the engine is ending (type, material, copy, serial
// text), without its columns; for a tape listener on the worker thread.
TapeLabel tape_label_facts();

void tape_history_enable(bool on);
bool tape_history_enabled();
// Forgets every label (a test's fresh start); numbering starts again at 1.
void tape_history_clear();

// Called by the tape module on the worker thread: the device cleared its tape
// for a new label; a label ended (its columns are the tape's columns since the
// previous label of the same tape ended).
void tape_history_tape_begun();
void tape_history_label_ended();
// For a listener of the tape's Ended event (worker thread): the index on the
// current tape of the first column of the label that just ended (a sample
// run keeps one tape for many labels; its labels follow one another).
size_t tape_ended_label_first();

size_t tape_history_count();
// Labels dropped from the start of the history to keep it within its bound.
uint64_t tape_history_dropped();
// Changes whenever a label is added or the history cleared.
uint64_t tape_history_generation();
// The number of the tape now in the device (0 before the first).
uint64_t tape_history_current_tape();
// A copy of label i (0 the oldest kept); false when out of range. With
// with_columns false only the facts and the width are copied.
bool tape_history_label(size_t index, TapeLabel& out, bool with_columns = true);
// Copies of every kept label, oldest first.
std::vector<TapeLabel> tape_history_labels(bool with_columns = true);
// The bound in words, for the window.
std::string tape_history_bound_text();

// A short English name of a label type: "Banner landscape", "Fixed 60 mm".
std::string tape_label_type_name(uint8_t label_type);
