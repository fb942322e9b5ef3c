#include "host/seam/tape.h"

#include <algorithm>
#include <array>
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

// Bit 7 first becomes bit 0 first: engine dot d turns into pixel row 127 - d.
constexpr std::array<uint8_t, 256> kReversed = [] {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b)
    for (int i = 0; i < 8; ++i)
      if (b & (1 << i)) table[b] |= uint8_t(0x80 >> i);
  return table;
}();

// Columns a thread has printed that are not yet in the list: handed over
// under one lock a batch at a time, whenever the thread waits on the clock,
// and before it reads the tape itself.
constexpr size_t kBatch = 256;
struct Pending {
  std::vector<TapeColumn> columns;
  ~Pending();
};
thread_local Pending pending;

void publish() {
  if (pending.columns.empty()) return;
  std::lock_guard lock(s.mutex);
  s.columns.insert(s.columns.end(), pending.columns.begin(), pending.columns.end());
  if (s.columns.size() > TAPE_MAX_COLUMNS) {
    const size_t excess = s.columns.size() - TAPE_MAX_COLUMNS;
    s.columns.erase(s.columns.begin(), s.columns.begin() + std::ptrdiff_t(excess));
    s.dropped += excess;
  }
  pending.columns.clear();
}

Pending::~Pending() { publish(); }

void notify(TapeEvent event) {
  std::lock_guard lock(s.listener_mutex);
  if (s.listener) s.listener(event, s.context);
}
}  // namespace

void tape_init() {
  pending.columns.clear();
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
    pending.columns.clear();
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
  TapeColumn& stored = pending.columns.emplace_back();
  for (int j = 0; j < TAPE_COLUMN_BYTES; ++j) stored[j] = kReversed[column[15 - j]];
  if (pending.columns.size() >= kBatch) publish();
}

void tape_publish() { publish(); }

void tape_end() {
  publish();
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
  publish();
  std::lock_guard lock(s.mutex);
  return s.columns.size();
}

uint64_t tape_dropped_columns() {
  publish();
  std::lock_guard lock(s.mutex);
  return s.dropped;
}

size_t tape_copy_columns(size_t first, size_t max_count, std::vector<TapeColumn>& out) {
  publish();
  std::lock_guard lock(s.mutex);
  out.clear();
  if (first < s.columns.size()) {
    const auto from = s.columns.begin() + std::ptrdiff_t(first);
    out.assign(from, from + std::ptrdiff_t(std::min(max_count, s.columns.size() - first)));
  }
  return s.columns.size();
}

bool tape_column(size_t index, TapeColumn& out) {
  publish();
  std::lock_guard lock(s.mutex);
  if (index >= s.columns.size()) return false;
  out = s.columns[index];
  return true;
}
