#include "host/seam/tape.h"

#include <deque>
#include <mutex>
#include <vector>

#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "host/seam/clock.h"
#include "host/seam/tape_history.h"

namespace {
struct Tape {
  // The worker appends while the window thread paints: every access to the
  // columns and counts is under the mutex.
  std::mutex mutex;
  std::deque<TapeColumn> columns;
  uint64_t dropped = 0;
  // Held while the listener runs, so that removing it waits for a call in
  // progress and the listener's owner can go away safely afterwards.
  std::mutex listener_mutex;
  TapeListener listener = nullptr;
  void* context = nullptr;
} s;

uint8_t reverse_bits(uint8_t b) {
  b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

void notify(TapeEvent event) {
  std::lock_guard lock(s.listener_mutex);
  if (s.listener) s.listener(event, s.context);
}
}  // namespace

void tape_init() {
  {
    std::lock_guard lock(s.mutex);
    s.columns.clear();
    s.dropped = 0;
  }
  tape_history_tape_begun();
}

void tape_task() {}

bool tape_sequence_running() { return prn_sample_seq_running(); }

void tape_begin() {
  if (!tape_sequence_running()) {
    {
      std::lock_guard lock(s.mutex);
      s.columns.clear();
      s.columns.shrink_to_fit();
      s.dropped = 0;
    }
    tape_history_tape_begun();
    notify(TapeEvent::Begun);
  }
  cut_set_done(0);
}

void tape_add_column(const uint8_t column[TAPE_COLUMN_BYTES]) {
  // Turned upside down for the window: engine dot d lands on pixel row 127 - d.
  TapeColumn stored;
  for (int j = 0; j < TAPE_COLUMN_BYTES; ++j) stored[j] = reverse_bits(column[15 - j]);
  std::lock_guard lock(s.mutex);
  if (s.columns.size() >= TAPE_MAX_COLUMNS) {
    s.columns.pop_front();
    ++s.dropped;
  }
  s.columns.push_back(stored);
}

void tape_end() {
  tape_history_label_ended();
  notify(TapeEvent::Ended);
  host_sleep_ms(100);
}

void tape_set_listener(TapeListener listener, void* context) {
  std::lock_guard lock(s.listener_mutex);
  s.listener = listener;
  s.context = context;
}

size_t tape_column_count() {
  std::lock_guard lock(s.mutex);
  return s.columns.size();
}

uint64_t tape_dropped_columns() {
  std::lock_guard lock(s.mutex);
  return s.dropped;
}

size_t tape_copy_columns(size_t first, size_t max_count, std::vector<TapeColumn>& out) {
  std::lock_guard lock(s.mutex);
  out.clear();
  for (size_t i = first; i < s.columns.size() && out.size() < max_count; ++i) out.push_back(s.columns[i]);
  return s.columns.size();
}

bool tape_column(size_t index, TapeColumn& out) {
  std::lock_guard lock(s.mutex);
  if (index >= s.columns.size()) return false;
  out = s.columns[index];
  return true;
}
