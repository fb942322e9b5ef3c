// The printed tape. The print engine hands every dot column it prints to this
// module instead of a print head (the sink, firmware/platform/tape.h); the
// tape keeps the columns of the current label for whoever shows them
// (host/tape_view.h paints them as the Print Output window does).
//
// The model is Qt-free: the worker thread appends, the window thread (or the
// batch runner) reads.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "firmware/platform/tape.h"

constexpr int TAPE_DOTS = 128;
// The tape keeps at most this many columns (8 m of tape); older ones are dropped.
constexpr size_t TAPE_MAX_COLUMNS = 65536;

using TapeColumn = std::array<uint8_t, TAPE_COLUMN_BYTES>;

// True while the engine prints a sequence of built-in sample labels.
bool tape_sequence_running();

// ---- The reading side ----
enum class TapeEvent {
  Begun,  // a new tape: scroll to 0, show the window and bring it to the front
  Ended,  // a label is complete: resize step and repaint
};
// Called on the thread that calls the sink (the worker); it must not block
// nor call tape_set_listener. nullptr removes it, waiting for a call in
// progress to finish.
using TapeListener = void (*)(TapeEvent event, void* context);
void tape_set_listener(TapeListener listener, void* context);

// The columns this thread has printed and not yet handed over join the list
// (the sink takes them in batches). The host clock calls it before the
// thread waits; every reader below calls it for its own thread.
void tape_publish();

size_t tape_column_count();
// Columns dropped from the start of the current tape since it began.
uint64_t tape_dropped_columns();
// A copy of stored column i (display order: byte j holds pixel rows 8j..8j+7,
// bit 7 first; engine dot d is pixel row 127 - d). False when i is out of range.
bool tape_column(size_t index, TapeColumn& out);
// Copies up to max_count stored columns from index first on, all under one
// lock; returns the number of columns stored at that moment.
size_t tape_copy_columns(size_t first, size_t max_count, std::vector<TapeColumn>& out);
