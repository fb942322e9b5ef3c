#include "firmware/print/test_prints.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/barcode.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/print/raster.h"
#include "firmware/screens/diag.h"
#include "firmware/screens/popup.h"

namespace {
constexpr uint16_t kSymbolFirst = 549, kSymbolClose = 550, kLadderMark = 523;
constexpr uint32_t kSweepPauseTicks = 200;  // 2 s between the sweep's labels
constexpr uint8_t kSweepSteps = 15;

struct Sweep {
  // Worker prints, the tick advances: shared.
  std::atomic<uint8_t> step{0};
  std::atomic<uint8_t> pending{0};
} sw;

struct Speed {
  std::atomic<uint32_t> total{0};
  std::atomic<uint32_t> samples{0};
} speed;

uint16_t columns_since(uint64_t start) { return uint16_t(prn_columns_sent() - start); }

uint16_t send_column(const uint8_t* column) {
  prn_head_column(column);
  return 1;
}

// Runs of columns with dots first..last set.
uint16_t dot_run(int first, int last, int count) {
  uint8_t* c = prn_column();
  prn_column_clear();
  for (int d = first; d <= last; ++d) c[d / 8] |= uint8_t(0x80 >> (d % 8));
  for (int i = 0; i < count; ++i) prn_head_column(c);
  return uint16_t(count);
}

uint16_t print_text(const char* text, uint8_t size) {
  uint16_t n = 0;
  for (const char* p = text; *p; ++p) n = uint16_t(n + prn_print_glyph(uint8_t(*p), size, 0));
  return n;
}

uint16_t gap() { return prn_feed_gap(); }

uint8_t head_grade() {
  uint8_t settings[10] = {};
  prn_get_settings(settings);
  return settings[PRN_SET_HEAD_GRADE];
}
}  // namespace

uint16_t prn_print_symbols() {
  return uint16_t(prn_print_glyph(kSymbolFirst, 6, 0) + prn_print_glyph('H', 6, 0) + prn_print_glyph('H', 6, 0));
}

// Thin rails at the two edges and a three-dot diagonal from dot 0 to dot 127.
uint16_t prn_pattern_stairs() {
  uint16_t n = dot_run(0, 1, 40);
  uint8_t* c = prn_column();
  for (int j = 0; j < 128; ++j) {
    prn_column_clear();
    const int k = j / 8, r = j % 8;
    c[k] = uint8_t(0xE0 >> r);
    if (k + 1 < 16) c[k + 1] = r == 6 ? 0x80 : r == 7 ? 0xC0 : 0x00;
    n = uint16_t(n + send_column(c));
  }
  return uint16_t(n + dot_run(126, 127, 40));
}

uint16_t prn_pattern_halves() { return uint16_t(dot_run(0, 63, 64) + dot_run(64, 127, 64)); }

uint16_t prn_print_barcode_sample() {
  LabelRecord* r = prn_scratch_record();
  std::memset(r, 0, sizeof *r);
  const char* text = "MOREL";
  for (int i = 0; i < 5; ++i) r->lines[0].cells[i] = uint8_t(text[i]);
  r->lines[0].length = 5;
  r->label_type = LABEL_BANNER_LANDSCAPE;
  r->barcode_type = 1;
  r->barcode_start = 0;
  r->barcode_length = 5;
  uint16_t n = gap();
  n = uint16_t(n + bc_raster_block(r));
  return uint16_t(n + gap());
}

uint16_t prn_print_version() {
  char text[16];
  std::snprintf(text, sizeof text, "V%d.%02d", fw_version_major(), fw_version_minor());
  return print_text(text, 3);
}

uint16_t prn_print_grade_tag(uint8_t with_grade) {
  uint8_t settings[10] = {};
  prn_get_settings(settings);
  const int offset = int8_t(settings[PRN_SET_HEAD_OFFSET]);
  char text[16];
  if (!with_grade)
    std::snprintf(text, sizeof text, " S%d", int(sw.step));
  else if (offset >= 0)
    std::snprintf(text, sizeof text, " %c+%d", settings[PRN_SET_HEAD_GRADE], offset);
  else
    std::snprintf(text, sizeof text, " %c%d", settings[PRN_SET_HEAD_GRADE], offset);
  return print_text(text, 3);
}

void prn_test_label(uint8_t with_grade) {
  prn_job_begin();
  prn_feed_lead();
  const uint64_t start = prn_columns_sent();
  prn_print_symbols();
  prn_pattern_stairs();
  prn_pattern_halves();
  gap(), gap();
  prn_print_barcode_sample();
  gap(), gap();
  prn_print_string("Morel", 3, 0);
  prn_print_string("12345678901234", 1, 1);
  gap();
  prn_print_version();
  prn_print_grade_tag(with_grade);
  const int used = columns_since(start) + font_glyph_width(6, 0, kSymbolClose);
  if (used < PRN_TEST_LABEL_COLUMNS) prn_feed(int16_t(PRN_TEST_LABEL_COLUMNS - used));
  prn_print_glyph(kSymbolClose, 6, 0);
  prn_feed(prn_trail_dots());
  prn_job_end();
}

void prn_test_label_job(bool then_thank_you) {
  sys_busy_hook(1, 1);
  prn_set_progress(0, 1);
  prn_sync_display();
  prn_test_label(1);
  if (!then_thank_you) {
    sys_busy_hook(0, 1);
    ui_set_mode(MODE_EDITOR);
    return;
  }
  prn_set_waiting_cut(1);
  msg_popup_show(MSG_CUT_OR_PRINT, 0);
  cut_wait();
  prn_set_waiting_cut(0);
  msg_popup_close();
  ui_set_mode(MODE_SAMPLE_ONE);
}

// Nine labels' worth of marks, one at each energy around the stored grade
// (offsets -4..4), or the two speed-test marks at offsets +1 and +3.
void prn_head_diag() {
  sys_busy_hook(1, 1);
  prn_set_progress(0, 1);
  prn_sync_display();
  prn_job_begin();
  const bool speed_test = diag_get_speed_test() != 0;
  if (speed_test) sim_speed_start();
  prn_feed_lead();
  const uint8_t grade = head_grade();
  int index = 10 - 2 * (int(grade) - 'A') + (speed_test ? 1 : -4);
  char text[16];
  const int steps = speed_test ? 2 : 9;
  for (int s = 0; s < steps; ++s) {
    prn_hw_hook3(prn_energy_at(index));
    std::snprintf(text, sizeof text, " H%d", speed_test ? 1 + 2 * s : s - 4);
    print_text(text, 6);
    gap(), gap();
    prn_print_barcode_sample();
    gap();
    if (!speed_test) {
      gap();
      prn_print_glyph(kLadderMark, 6, 0);
    }
    index += speed_test ? 2 : 1;
  }
  if (speed_test) {
    sim_speed_stop();
    std::snprintf(text, sizeof text, "%d rpm", int(10 * sim_speed_read()));
    print_text(text, 3);
  }
  prn_feed(prn_trail_dots());
  prn_job_end();
  diag_set_command(16);
  sys_busy_hook(0, 1);
  ui_set_mode(MODE_DIAG);
}

void prn_energy_sweep_step() {
  if (sw.pending) return;
  sys_busy_hook(1, 1);
  prn_hw_hook3(prn_energy_at(sw.step));
  prn_test_label(0);
  sys_busy_hook(0, 1);
  sw.pending = 1;
}

void prn_sweep_tick(uint32_t tick_count) {
  if (!sw.pending || tick_count % kSweepPauseTicks != 0) return;
  sw.step = uint8_t(sw.step + 1);
  if (sw.step >= kSweepSteps) {
    sw.step = 0;
    prn_init();
    ui_set_mode(MODE_EDITOR);
  }
  sw.pending = 0;
}

void prn_sweep_reset() {
  sw.step = 0;
  sw.pending = 0;
}
uint8_t prn_sweep_step() { return sw.step; }

void sim_speed_start() {
  speed.total = 0;
  speed.samples = 0;
}
void sim_speed_stop() {}
uint32_t sim_speed_read() {
  const uint32_t samples = speed.samples;
  return speed.total / (samples ? samples : 1);
}
