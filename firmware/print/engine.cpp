#include "firmware/print/engine.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/adc.h"
#include "firmware/platform/clock.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/platform/tape.h"
#include "firmware/platform/worker.h"
#include "firmware/print/cutter.h"
#include "firmware/print/layout.h"
#include "firmware/print/raster.h"
#include "firmware/print/samples.h"
#include "firmware/print/serial_text.h"
#include "firmware/print/test_prints.h"
#include "firmware/screens/popup.h"

namespace {
constexpr uint16_t kEnergy[15] = {2430, 2560, 2680, 2810, 2930, 3050, 3180, 3300,
                                  3420, 3550, 3670, 3800, 3920, 4040, 4170};
constexpr uint8_t kFactoryFeed = 78;
constexpr uint8_t kFactoryLevel = 100;
constexpr uint8_t kFactoryGrade = 'C';
constexpr uint16_t kRulerMarkEvery = 80;  // a full-height mark every 10 mm
constexpr int16_t kFeedColumns = 160;     // mode 26
constexpr uint16_t kEndlessGlyph = 'M';
// The endless print sends one glyph and then looks at the keys; pacing it at
// one glyph per tick keeps it near a real head's speed and lets a person stop
// it.
constexpr uint32_t kEndlessPaceMs = 10;

struct Engine {
  // Shared with the tick (main thread): single values, no locks.
  std::atomic<uint8_t> printing_active{0};
  std::atomic<uint8_t> display_sync{0};
  std::atomic<uint16_t> labels_total{0};
  std::atomic<uint16_t> labels_printed{0};
  std::atomic<uint8_t> waiting_cut{0};
  std::atomic<uint8_t> sample_seq_running{0};
  std::atomic<uint8_t> sample_index{0};
  std::atomic<uint8_t> restore_after_print{0};
  std::atomic<uint8_t> job_error{0};
  std::atomic<uint8_t> label_copy{0};  // the label's copy of its value, from 1
  std::atomic<uint32_t> tick_count{0};
  std::atomic<uint32_t> cut_test_count{0};
  std::atomic<bool> in_action{false};  // a mode's action runs
  std::atomic<bool> endless{false};    // the endless print waits for its stop
  std::atomic<uint64_t> columns_sent{0};
  std::atomic<uint16_t> last_energy{0};
  std::atomic<uint8_t> settings[10] = {};
  // The print column: worker thread only.
  uint8_t column[PRN_COLUMN_WORK] = {};
} e;

uint8_t setting(int i) { return e.settings[i]; }

void busy_on() { sys_busy_hook(1, 1); }
void busy_off() { sys_busy_hook(0, 1); }

// ---- Mode 9: the label job ----

void print_one_label(LabelRecord* r) {
  const uint8_t type = r->label_type;
  if (type == LABEL_BANNER_PORTRAIT) {
    prn_print_portrait(r);
  } else if (lbl_wire_length_dots(type) != 0) {
    prn_print_wire(r);  // no trailing feed: the marker is exactly its length
  } else if (type == LABEL_WIRE_SELF_LAM) {
    prn_print_wire_repeat(r);
    prn_feed(prn_trail_dots());
  } else {
    prn_job_begin();
    prn_feed_lead();
    prn_print_horizontal(r);
    prn_feed(prn_trail_dots());
  }
}

// Copies of each serial value, with the "Cut or Print" pause between labels.
// The count of values and the copies are read once, at the start.
void print_run(LabelRecord* r) {
  const uint16_t values = r->serial_print ? ser_label_count() : 1;
  const uint8_t copies = prn_copies_of(r);
  prn_set_progress(0, uint16_t(copies * values));
  for (uint16_t v = 0; v < values; ++v) {
    for (uint8_t c = 0; c < copies; ++c) {
      e.label_copy = uint8_t(c + 1);
      prn_sync_display();
      print_one_label(r);
      prn_job_end();
      e.labels_printed = uint16_t(e.labels_printed + 1);
      if (e.labels_printed != e.labels_total && !e.sample_seq_running) {
        e.waiting_cut = 1;
        msg_popup_show(MSG_CUT_OR_PRINT, 0);
        const bool cancelled = cut_wait();
        e.waiting_cut = 0;
        if (cancelled) return;  // no further copies, values or serial step
        msg_popup_close();
      }
    }
    if (v + 1 < values && r->serial_print && !ser_step_text()) {
      e.job_error = 1;  // the stepped serial no longer fits
      return;
    }
  }
}

void label_job() {
  LabelRecord* r = lbl_record();
  lbl_make_consistent(r);
  busy_on();
  if (lbl_type_is_block()) {
    prn_print_block_label();
  } else {
    print_run(r);
    lbl_reset_print_options();
  }
  kbd_clear_key();
  busy_off();
  ui_set_mode(e.sample_seq_running ? MODE_SAMPLES_ALL : MODE_EDITOR);
  if (e.job_error == 1) msg_popup_show(MSG_CANNOT_FIT, 1);
  if (e.restore_after_print) {
    e.restore_after_print = 0;
    lbl_clear_text();
    lbl_set_defaults();
  }
}

// ---- The factory prints of this engine ----

// Single prints show the printer symbol without a counter; the counts of an
// earlier job would otherwise show as "4/3".
void single_print_progress() { prn_set_progress(0, 1); }

void ruler(uint16_t millimetres) {
  single_print_progress();
  prn_sync_display();
  prn_job_begin();
  prn_feed_lead();
  uint8_t* column = prn_column();
  const uint32_t last = 8u * millimetres;
  for (uint32_t i = 0; i <= last; ++i) {
    if (i % kRulerMarkEvery == 0)
      std::memset(column, 0xFF, PRN_COLUMN_CLEAR);
    else
      prn_column_clear();
    prn_head_column(column);
  }
  prn_feed(prn_trail_dots());
  prn_job_end();
  kbd_clear_key();
  ui_set_mode(MODE_EDITOR);
}

// Mode 22: glyph "M" at 40pt bold until the user stops it with Delete or
// Print (or the program stops). The stop leaves printing_active at 2 so the
// loop ends; the job then ends normally.
void endless_print() {
  busy_on();
  single_print_progress();
  prn_sync_display();
  prn_job_begin();
  prn_feed_lead();
  e.endless = true;
  while (e.printing_active == 1) {
    prn_print_glyph(kEndlessGlyph, 6, 1);
    host_sleep_ms(kEndlessPaceMs);
    const uint8_t key = kbd_get_key();
    if (key == KEY_DELETE || key == KEY_PRINT) {
      kbd_clear_key();
      e.printing_active = 2;
    }
    if (firmware_terminate_requested()) e.printing_active = 2;
  }
  e.endless = false;
  prn_feed(prn_trail_dots());
  prn_job_end();
  prn_set_repeat_flag(0);
  ui_set_mode(MODE_EDITOR);
  busy_off();
}

// Mode 23: every glyph with all its columns, plain then bold.
void glyph_chart() {
  busy_on();
  single_print_progress();
  prn_sync_display();
  prn_job_begin();
  prn_feed_lead();
  const uint8_t size = lbl_record()->font_size;  // Auto is 6pt in the font layer
  for (uint16_t code = 0; code <= 254; ++code) prn_print_glyph(code, size, 0);
  for (uint16_t code = 512; code <= 561; ++code) prn_print_glyph(code, size, 0);
  for (uint16_t code = 0; code <= 254; ++code) prn_print_glyph(code, size, 1);
  prn_feed(prn_trail_dots());
  prn_job_end();
  busy_off();
  ui_set_mode(MODE_EDITOR);
}

// Mode 26: a length of blank tape.
void feed_tape() {
  prn_job_begin();
  prn_feed(kFeedColumns);
  prn_job_end();
  kbd_clear_key();
  ui_set_mode(MODE_EDITOR);
}

// Mode 31: labels that print the cut count until a pause is cancelled.
void cutter_test() {
  busy_on();
  uint8_t counters[NVM_COUNTER_BYTES] = {};
  const uint32_t stored = nvm_load_counters(counters) ? uint32_t(counters[0]) | uint32_t(counters[1]) << 8 |
                                                            uint32_t(counters[2]) << 16 | uint32_t(counters[3]) << 24
                                                      : 0;
  e.cut_test_count = 0;
  for (;;) {
    char text[24];
    std::snprintf(text, sizeof text, "NumCuts:%d", int(stored + e.cut_test_count));
    prn_job_begin();
    prn_feed_lead();
    for (int k = 0; k < 4; ++k) prn_print_string(text, 1, 1);
    prn_feed(0);
    prn_job_end();
    if (cut_wait()) break;
    e.cut_test_count = e.cut_test_count + 1;
  }
  cut_hw_hook(-1);
  ui_set_mode(MODE_EDITOR);
  busy_off();
}

// The printing modes whose job exists; the others are never acted on.
bool engine_handles(uint8_t mode) { return ui_is_printing_mode(mode) && ui_mode_is_built(mode); }
}  // namespace

// ---- Life cycle ----

void prn_factory_settings(uint8_t record[10]) {
  record[PRN_SET_LANGUAGE] = 0;
  record[PRN_SET_HW_LEVEL] = kFactoryLevel;
  record[PRN_SET_HEAD_GRADE] = kFactoryGrade;
  record[PRN_SET_HEAD_OFFSET] = 0;
  record[PRN_SET_LEAD] = kFactoryFeed;
  record[PRN_SET_TRAIL] = kFactoryFeed;
  record[PRN_SET_MAGIC] = PRN_SETTINGS_MAGIC;
}

void prn_use_factory_settings() {
  uint8_t record[10] = {};
  prn_factory_settings(record);
  for (int i = 0; i < 10; ++i) e.settings[i] = record[i];
  prn_hw_hook3(prn_energy_for(record[PRN_SET_HEAD_GRADE], int8_t(record[PRN_SET_HEAD_OFFSET])));
  prn_hw_hook1(record[PRN_SET_HW_LEVEL]);
}

void prn_init() {
  e.printing_active = 0;
  e.display_sync = 0;
  e.sample_index = 0;
  e.sample_seq_running = 0;
  e.restore_after_print = 0;
  e.job_error = 0;
  e.cut_test_count = 0;
  uint8_t record[10] = {};
  const bool loaded = nvm_load_device_settings(record);
  if (!loaded || record[PRN_SET_MAGIC] != PRN_SETTINGS_MAGIC) {
    prn_factory_settings(record);
    nvm_save_device_settings(record);
  }
  for (int i = 0; i < 10; ++i) e.settings[i] = record[i];
  prn_hw_hook3(prn_energy_for(record[PRN_SET_HEAD_GRADE], int8_t(record[PRN_SET_HEAD_OFFSET])));
  prn_hw_hook1(record[PRN_SET_HW_LEVEL]);
}

void prn_tick_task() {
  if (e.display_sync) {
    lcd_show_print_progress(e.labels_printed, e.labels_total);
    e.display_sync = 0;
  }
  e.tick_count = e.tick_count + 1;
  if (ui_get_mode() == MODE_ENERGY_SWEEP) prn_sweep_tick(e.tick_count);
}

void prn_engine_step() {
  const uint8_t mode = ui_get_mode();
  if (!engine_handles(mode)) return;
  e.in_action = true;
  e.label_copy = 1;  // jobs of copies count their own
  switch (mode) {
    case MODE_PRINT:
      label_job();
      break;
    case MODE_RULER_350:
      ruler(350);
      break;
    case MODE_RULER_500:
      ruler(500);
      break;
    case MODE_RULER_1000:
      ruler(1000);
      break;
    case MODE_ENDLESS_GLYPHS:
      endless_print();
      break;
    case MODE_GLYPH_CHART:
      glyph_chart();
      break;
    case MODE_FEED:
      feed_tape();
      break;
    case MODE_CUTTER_TEST:
      cutter_test();
      break;
    case MODE_DIAG_TEST_LABEL:
      prn_test_label_job(false);
      break;
    case MODE_DIAG_TEST_LABEL_CUT:
      prn_test_label_job(true);
      break;
    case MODE_HEAD_DIAG:
      prn_head_diag();
      break;
    case MODE_ENERGY_SWEEP:
      prn_energy_sweep_step();
      break;
    case MODE_SAMPLES_ALL:
      prn_samples_next();
      break;
    case MODE_SAMPLE_ONE:
      prn_thank_you();
      break;
    case MODE_BURN_TEST:
      prn_burn_test();
      break;
  }
  e.in_action = false;
}

bool prn_engine_busy() {
  if (cut_waiting() || e.endless) return false;
  return e.in_action || engine_handles(ui_get_mode());
}

bool prn_endless_running() { return e.endless; }

bool prn_sample_seq_running() { return e.sample_seq_running != 0; }
uint8_t prn_sample_index() { return e.sample_index; }

void prn_set_sample_seq(uint8_t running, uint8_t index) {
  e.sample_seq_running = running;
  e.sample_index = index;
}

void prn_set_restore_after_print() { e.restore_after_print = 1; }

// ---- Job frame ----

uint8_t* prn_column() { return e.column; }

void prn_column_clear() { std::memset(e.column, 0, PRN_COLUMN_CLEAR); }

void prn_head_column(const uint8_t* column) {
  tape_add_column(column);
  e.columns_sent.fetch_add(1, std::memory_order_relaxed);
}

void prn_job_begin() {
  e.printing_active = 1;
  e.job_error = 0;
  e.tick_count = 0;
  tape_begin();
  prn_hw_hook1(100);
  prn_hw_hook2();
  mirror_cursor_mode(2);  // no blinking cursor while printing
  adc_load_hook(1);
}

void prn_job_end() {
  e.printing_active = 0;
  e.tick_count = 0;
  tape_end();
  adc_load_hook(0);
}

void prn_feed(int16_t n) {
  prn_column_clear();
  for (int16_t i = 0; i < n; ++i) prn_head_column(e.column);
}

void prn_feed_lead() { prn_feed(prn_lead_dots()); }

uint16_t prn_feed_gap() {
  prn_feed(30);
  return 30;
}

void prn_sync_display() {
  e.display_sync = 1;
  // The tick draws the progress and clears the flag; a stopping program no
  // longer ticks.
  while (e.display_sync && !firmware_terminate_requested()) host_sleep_ms(1);
}

// ---- State ----

uint8_t prn_printing_active() { return e.printing_active; }
void prn_set_printing_active(uint8_t value) { e.printing_active = value; }
uint8_t prn_lead_dots() { return setting(PRN_SET_LEAD); }
uint8_t prn_trail_dots() { return setting(PRN_SET_TRAIL); }
uint16_t prn_labels_total() { return e.labels_total; }
uint16_t prn_labels_printed() { return e.labels_printed; }
uint8_t prn_waiting_cut() { return e.waiting_cut; }
void prn_set_waiting_cut(uint8_t value) { e.waiting_cut = value; }

void prn_set_progress(uint16_t printed, uint16_t total) {
  e.labels_printed = printed;
  e.labels_total = total;
}

uint8_t prn_job_error() { return e.job_error; }
void prn_set_job_error() { e.job_error = 1; }
uint8_t prn_label_copy() { return e.label_copy; }
void prn_set_label_copy(uint8_t copy) { e.label_copy = copy; }

// Copies 0 (typed as "00" before the menu refused it, or kept in a stored
// label) would make Print print nothing at all; it prints once.
uint8_t prn_copies_of(const LabelRecord* r) { return r->copies ? r->copies : 1; }
uint64_t prn_columns_sent() { return e.columns_sent.load(std::memory_order_relaxed); }

void prn_get_settings(uint8_t out[10]) {
  for (int i = 0; i < 10; ++i) out[i] = e.settings[i];
}

// ---- Head energy ----

uint16_t prn_energy_at(int index) { return kEnergy[std::clamp(index, 0, 14)]; }

// A stored grade outside "A".."D" (its sum may still hold) must not index
// past the table: the index is kept within it.
uint16_t prn_energy_for(uint8_t grade, int8_t offset) { return prn_energy_at(10 - 2 * (int(grade) - 'A') + offset); }

uint16_t prn_last_energy() { return e.last_energy; }

void prn_hw_hook1(uint8_t) {}
void prn_hw_hook2() {}
void prn_hw_hook3(uint16_t energy) { e.last_energy = energy; }
