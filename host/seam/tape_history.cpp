#include "host/seam/tape_history.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/print/engine.h"
#include "host/seam/cartridge.h"
#include "host/seam/label_serial.h"

namespace {
struct History {
  // The worker adds labels while the window thread copies them.
  std::mutex mutex;
  std::deque<TapeLabel> labels;
  size_t columns = 0;  // in all kept labels
  uint64_t dropped = 0;
  uint64_t next_number = 1;
  uint64_t tape = 0;
  // Absolute column (dropped + kept on the device's tape) where the next label
  // starts: a sample run keeps one tape for several labels.
  uint64_t label_start = 0;
  // Where the label that ended last started (absolute, as label_start).
  uint64_t ended_start = 0;
  std::atomic<bool> enabled{false};
  std::atomic<uint64_t> generation{0};
} s;

void drop_oldest_locked() {
  s.columns -= s.labels.front().columns.size();
  s.labels.pop_front();
  ++s.dropped;
}
}  // namespace

void tape_history_enable(bool on) { s.enabled = on; }
bool tape_history_enabled() { return s.enabled; }

void tape_history_clear() {
  std::lock_guard lock(s.mutex);
  s.labels.clear();
  s.columns = 0;
  s.dropped = 0;
  s.next_number = 1;
  s.tape = 0;
  s.label_start = 0;
  s.ended_start = 0;
  ++s.generation;
}

void tape_history_tape_begun() {
  std::lock_guard lock(s.mutex);
  ++s.tape;
  s.label_start = 0;
  s.ended_start = 0;
}

TapeLabel tape_label_facts() {
  const LabelRecord* r = lbl_record();
  TapeLabel label;
  label.label_type = r->label_type;
  label.cartridge = cart_get_id();
  label.copy = prn_label_copy();
  label.serial = label_serial_text(r);
  int last = LBL_MAX_LINES - 1;
  while (last > 0 && r->lines[last].length == 0) --last;
  for (int i = 0; i <= last; ++i) {
    const LabelLine& line = r->lines[i];
    if (i > 0) label.text.push_back(0);
    label.text.insert(label.text.end(), line.cells, line.cells + std::min<int>(line.length, 51));
  }
  return label;
}

size_t tape_ended_label_first() {
  const uint64_t dropped = tape_dropped_columns();
  std::lock_guard lock(s.mutex);
  return size_t(s.ended_start > dropped ? s.ended_start - dropped : 0);
}

void tape_history_label_ended() {
  // On the worker thread as the engine ends the label: the record and the
  // copy count still describe the label just printed, and the tape holds it
  // at its end. Where it starts is known even without a history.
  const uint64_t dropped = tape_dropped_columns();
  const size_t stored = tape_column_count();
  uint64_t start;
  {
    std::lock_guard lock(s.mutex);
    start = s.label_start;
    s.ended_start = start;
    if (!s.enabled) {
      s.label_start = dropped + stored;
      return;
    }
  }
  TapeLabel label = tape_label_facts();
  const uint64_t first = start > dropped ? start - dropped : 0;
  const size_t count = tape_copy_columns(size_t(first), TAPE_MAX_COLUMNS, label.columns);

  std::lock_guard lock(s.mutex);
  s.label_start = dropped + count;
  if (s.tape == 0) s.tape = 1;  // a label before any tape_begin (a test's tape)
  label.tape = s.tape;
  label.number = s.next_number++;
  label.width = label.columns.size();
  s.columns += label.columns.size();
  s.labels.push_back(std::move(label));
  while (s.labels.size() > TAPE_HISTORY_MAX_LABELS || (s.columns > TAPE_HISTORY_MAX_COLUMNS && s.labels.size() > 1))
    drop_oldest_locked();
  ++s.generation;
}

size_t tape_history_count() {
  std::lock_guard lock(s.mutex);
  return s.labels.size();
}

uint64_t tape_history_dropped() {
  std::lock_guard lock(s.mutex);
  return s.dropped;
}

uint64_t tape_history_generation() { return s.generation; }

uint64_t tape_history_current_tape() {
  std::lock_guard lock(s.mutex);
  return s.tape;
}

bool tape_history_label(size_t index, TapeLabel& out, bool with_columns) {
  std::lock_guard lock(s.mutex);
  if (index >= s.labels.size()) return false;
  const TapeLabel& l = s.labels[index];
  if (with_columns) {
    out = l;
  } else {
    out.number = l.number, out.tape = l.tape, out.label_type = l.label_type;
    out.cartridge = l.cartridge, out.copy = l.copy, out.serial = l.serial, out.width = l.width, out.text = l.text;
    out.columns.clear();
  }
  return true;
}

std::vector<TapeLabel> tape_history_labels(bool with_columns) {
  std::vector<TapeLabel> out(tape_history_count());
  for (size_t i = 0; i < out.size(); ++i)
    if (!tape_history_label(i, out[i], with_columns)) {
      out.resize(i);
      break;
    }
  return out;
}

std::string tape_history_bound_text() {
  char text[96];
  std::snprintf(text, sizeof text, "keeps the last %zu labels, up to %zu m of tape", TAPE_HISTORY_MAX_LABELS,
                size_t(double(TAPE_HISTORY_MAX_COLUMNS) / TAPE_DOTS_PER_MM / 1000.0));
  return text;
}

std::string tape_label_type_name(uint8_t t) {
  static const char* const kWireInch[] = {"0.75", "1.0", "1.2", "1.5", "2.0", "2.5", "3.0", "4.0", "5.0", "6.0"};
  static const int kWireMm[] = {20, 25, 30, 40, 50, 65, 75, 100, 130, 150};
  char text[48];
  if (t == LABEL_BANNER_PORTRAIT) return "Banner portrait";
  if (t == LABEL_BANNER_LANDSCAPE) return "Banner landscape";
  if (lbl_type_is_fixed_inch(t)) {
    std::snprintf(text, sizeof text, "Fixed %.1f in", 1.0 + 0.5 * (t - LABEL_FIXED_1_0_IN));
  } else if (lbl_type_is_fixed_mm(t)) {
    std::snprintf(text, sizeof text, "Fixed %d mm", 30 + 10 * (t - LABEL_FIXED_30_MM));
  } else if (lbl_type_is_wire_size_inch(t)) {
    std::snprintf(text, sizeof text, "Wire %s in", kWireInch[t - LABEL_WIRE_0_75_IN]);
  } else if (lbl_type_is_wire_size_mm(t)) {
    std::snprintf(text, sizeof text, "Wire %d mm", kWireMm[t - LABEL_WIRE_20_MM]);
  } else if (t == LABEL_WIRE_SELF_LAM) {
    return "Self-laminating wire";
  } else if (lbl_type_is_block(t)) {
    std::snprintf(text, sizeof text, "%s (%s)", lbl_type_is_terminal_block(t) ? "Terminal block" : "Patch panel",
                  lbl_type_is_block_inch(t) ? "in" : "mm");
  } else {
    std::snprintf(text, sizeof text, "Type %u", unsigned(t));
  }
  return text;
}
