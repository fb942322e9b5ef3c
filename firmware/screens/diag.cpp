// Service mode (mode 13): a one-byte command chooses the screen. Each command
// runs its entry actions once, on the first tick it is new, and then its
// per-tick part until another command is written; command 0 goes back to the
// editor. Many commands only start a factory print and clear the command.
#include "firmware/screens/diag.h"

#include <atomic>
#include <cstdio>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/adc.h"
#include "firmware/platform/cartridge.h"
#include "firmware/platform/flash.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/platform/power.h"
#include "firmware/print/engine.h"
#include "firmware/screens/popup.h"

namespace {
constexpr uint8_t kCycle[6] = {4, 1, 2, 6, 11, 13};
constexpr uint8_t kResetSequence[3] = {KEY_G, KEY_K, KEY_P};
constexpr uint16_t kDisplayPhaseTicks = 200;
// The font area and the sum stored in its last four bytes.
constexpr uint32_t kFlashBlocks = 3840;  // 256-byte blocks, 0x00000..0xEFFFF
constexpr uint32_t kFlashSumAddress = 0xEFFFC;
// Blocks checked per tick: the address shown moves every tick and the window
// never waits for the whole 960 KB.
constexpr uint32_t kFlashBlocksPerTick = 64;

struct Diag {
  // Written by the window thread's Alt commands and by the print engine.
  std::atomic<uint8_t> command{0};
  std::atomic<uint8_t> speed_test{1};
  // An Alt command typed while the device prints, kept for the end of the job
  // (plus one; 0 = none).
  std::atomic<uint8_t> pending{0};
  // A typed Alt command is new even when it equals the last command seen
  // (the same key twice, or Alt+Delete's 0 right after start-up): without
  // being new it would leave the device in mode 13 with nothing run and no
  // task taking a key. A command written by the print engine is new only
  // when it differs.
  std::atomic<bool> typed{false};
  // Tick only.
  uint8_t last_command = 0;
  uint8_t is_new = 1;
  uint16_t step = 0;
  uint8_t lcd_phase = 2;
  uint8_t reset_seq = 0;
  uint8_t cycle_pos = 0;
  uint8_t lamp_step = 0;
  uint8_t lamp_first = 1;
  int8_t offset = 0;
  uint8_t settings[10] = {};
  uint32_t flash_block = kFlashBlocks;  // kFlashBlocks: no check running
  uint32_t flash_sum = 0;
} d;

void diag_hw_hook(uint8_t, uint8_t) {}  // the sensor supply; nothing in the simulator

// What the tests lit or started ends: the sensor supply, the display test's
// phase, the flash check, the grey background, and a Func lamp the lamp walk
// left lit shows the Func state again.
void leave_tests() {
  diag_hw_hook(0, 0);
  diag_hw_hook(1, 0);
  prn_hw_hook1(100);
  d.lcd_phase = 2;
  d.lamp_first = 0;
  d.flash_block = kFlashBlocks;
  mirror_set_background(0);
  lcd_set_func_indicator(func_is_active());
}
uint8_t sensor_read(int) { return 0; }  // no sensor behind the eight inputs

// Takes the waiting key (0 when none).
uint8_t take_key() {
  const uint8_t key = kbd_get_key();
  if (key) kbd_clear_key();
  return key;
}

// The "Cut or Print" pause shows a popup over the job: it still prints.
bool device_printing() {
  return ui_is_printing_mode(ui_get_mode()) || prn_engine_busy() || prn_waiting_cut() || prn_printing_active();
}

// The stored device settings, or the factory ones when none are stored
// (after the service erase) or they are not the device's.
void load_settings() {
  if (!nvm_load_device_settings(d.settings) || d.settings[PRN_SET_MAGIC] != PRN_SETTINGS_MAGIC)
    prn_factory_settings(d.settings);
}

void info_page() {
  uint8_t counters[NVM_COUNTER_BYTES] = {};
  load_settings();
  const bool have_counters = nvm_load_counters(counters);
  const uint32_t cuts = have_counters ? uint32_t(counters[0]) | uint32_t(counters[1]) << 8 |
                                            uint32_t(counters[2]) << 16 | uint32_t(counters[3]) << 24
                                      : 0;
  char text[32];
  lcd_clear_text();
  lcd_clear_status();
  std::snprintf(text, sizeof text, "PH:%c   Cid:%d", d.settings[PRN_SET_HEAD_GRADE], int(cart_get_id()));
  lcd_put_text(0, 0, text, 0);
  std::snprintf(text, sizeof text, "Offset: %d", int(int8_t(d.settings[PRN_SET_HEAD_OFFSET])));
  lcd_put_text(1, 0, text, 0);
  std::snprintf(text, sizeof text, "Cut: %u", unsigned(cuts));
  lcd_put_text(2, 0, text, 0);
  std::snprintf(text, sizeof text, "V:%d", adc_read(2));
  lcd_put_text(3, 0, text, 0);
  lcd_indicators_off();
  lcd_flush();
}

// G, K, P in a row resets the counters; any other key starts over.
void reset_sequence() {
  const uint8_t key = take_key();
  if (!key) return;
  if (key != kResetSequence[d.reset_seq]) {
    d.reset_seq = 0;
    return;
  }
  if (++d.reset_seq == 3) {
    nvm_reset_counters();
    d.reset_seq = 0;
  }
}

void keyboard_test() {
  const uint8_t matrix = kbd_poll_hw();  // rows in the high byte of the device's 16 bits; 0 here
  const unsigned m = matrix;
  char rows[9] = {}, columns[7] = {};
  for (int i = 0; i < 8; ++i) rows[i] = (m >> (8 + i)) & 1 ? 'O' : 'X';
  for (int i = 0; i < 6; ++i) columns[i] = (m >> i) & 1 ? 'O' : 'X';
  lcd_put_text(0, 30, rows, 0);
  lcd_put_text(1, 30, columns, 0);
  lcd_put_text(2, 0, "Func+X: Exit", 0);
  lcd_flush();
}

void display_test_entry() {
  d.step = 0;
  sys_busy_hook(1, 1);
  mirror_set_background(1);
  d.lamp_first = 1;
}

void lamp_walk() {
  if (!kbd_get_key()) return;
  diag_check_exit();
  if (d.command != 4) return;  // left: the key was the exit, not a step
  kbd_clear_key();
  switch (d.lamp_step) {
    case 0:
      lcd_set_pt_indicator(false);
      lcd_set_bold_indicator(true);
      break;
    case 1:
      lcd_set_bold_indicator(false);
      lcd_set_caps_indicator(true);
      break;
    case 2:
      lcd_set_caps_indicator(false);
      lcd_set_func_indicator(true);
      break;
    case 3:
      lcd_set_func_indicator(false);
      mirror_show_battery(1);
      break;
    case 4:
    case 5:
      mirror_show_battery(uint8_t(d.lamp_step - 2));
      break;
    default:
      mirror_show_battery(0);
      lcd_test_stripes();
      break;
  }
  if (d.lamp_step < 255) ++d.lamp_step;
}

void display_test() {
  ++d.step;
  if (d.lcd_phase == 2) {
    if (d.step == 1) lcd_fill();
    if (d.step > kDisplayPhaseTicks) d.lcd_phase = 1, d.step = 0;
  } else if (d.lcd_phase == 1) {
    if (d.step == 1) lcd_blank();
    if (d.step > kDisplayPhaseTicks) d.lcd_phase = 0;
  } else if (d.lamp_first) {
    d.lamp_first = 0;
    lcd_blank();
    kbd_clear_key();
    lcd_set_pt_indicator(true);
    d.lamp_step = 0;
  } else {
    lamp_walk();
  }
}

void flash_check_entry() {
  sys_busy_hook(1, 1);
  lcd_clear_text();
  d.flash_block = 0;
  d.flash_sum = 0;
}

// One slice of the font area's byte sum; the verdict after the last block.
void flash_check_step() {
  if (d.flash_block >= kFlashBlocks) return;
  uint8_t block[256];
  const uint32_t end = d.flash_block + kFlashBlocksPerTick;
  for (; d.flash_block < end && d.flash_block < kFlashBlocks; ++d.flash_block) {
    if (d.flash_block % 64 == 0) {
      char text[20];
      std::snprintf(text, sizeof text, "Addr: %x", unsigned(d.flash_block * 256));
      lcd_put_text(1, 10, text, 0);
      lcd_flush();
    }
    spi_read(block, d.flash_block * 256, sizeof block);
    const int count = d.flash_block == kFlashBlocks - 1 ? 252 : 256;
    for (int i = 0; i < count; ++i) d.flash_sum += block[i];
  }
  if (d.flash_block < kFlashBlocks) return;
  uint8_t stored[4];
  spi_read(stored, kFlashSumAddress, 4);
  const uint32_t value = uint32_t(stored[0]) | uint32_t(stored[1]) << 8 | uint32_t(stored[2]) << 16 |
                         uint32_t(stored[3]) << 24;
  lcd_put_text(2, 10, value == d.flash_sum ? "Flash OK" : "Fail", 0);
  lcd_flush();
  sys_busy_hook(0, 1);
}

void sensor_page_entry() {
  d.step = 0;
  prn_hw_hook1(0);
  diag_hw_hook(0, 1);
  diag_hw_hook(1, 1);
}

void sensor_page() {
  const uint16_t s = d.step++;
  if (s > 10) {
    char inputs[9] = {};
    for (int i = 0; i < 8; ++i) inputs[i] = sensor_read(i + 1) ? '1' : '0';
    char text[24];
    std::snprintf(text, sizeof text, "Sensor:%d mV", adc_read(1));
    lcd_clear_text();
    lcd_put_text(0, 0, "12345678", 0);
    lcd_put_text(1, 0, inputs, 0);
    lcd_put_text(2, 0, text, 0);
    lcd_put_text(3, 0, " ", 0);
    lcd_indicators_off();
    lcd_flush();
  }
  diag_check_exit();
}

void grade_prompt_entry() {
  lcd_clear_text();
  lcd_put_text(0, 0, "  Grade? ", 0);
  lcd_put_text(1, 0, "Type A, B,", 0);
  lcd_put_text(2, 0, "       C or D", 0);
  lcd_put_text(3, 0, " ", 0);
  lcd_indicators_off();
  lcd_flush();
}

void grade_prompt() {
  const uint8_t key = take_key();
  if (key < KEY_A || key > KEY_D) return;
  load_settings();  // what the menus stored meanwhile (the language) stays
  d.settings[PRN_SET_HEAD_GRADE] = uint8_t(key + 38);  // "A".."D"
  nvm_save_device_settings(d.settings);
  ui_set_mode(MODE_HEAD_DIAG);
}

void offset_draw() {
  lcd_clear_text();
  lcd_put_text(0, 0, "Select <- ->", 0);
  if (d.speed_test == 0) {
    lcd_put_text(1, 0, "-4 -3 -2 -1  0", 0);
    lcd_put_text(2, 0, "+1 +2 +3 +4", 0);
    lcd_put_text(3, 0, " ", 0);
    if (d.offset > 0)
      lcd_invert_bar(4, (d.offset - 1) * 27, 18);
    else
      lcd_invert_bar(2, (d.offset + 4) * 27, 18);
  } else {
    if (d.offset != 1 && d.offset != 3) d.offset = 1;
    lcd_put_text(1, 0, "+1 +3", 0);
    lcd_put_text(2, 0, "", 0);
    lcd_put_text(3, 0, " ", 0);
    lcd_invert_bar(2, d.offset == 1 ? 0 : 27, 18);
  }
  lcd_indicators_off();
  lcd_flush();
}

void offset_choice() {
  const uint8_t key = take_key();
  if (!key) return;
  if (key == KEY_ENTER) {
    load_settings();
    d.settings[PRN_SET_HEAD_OFFSET] = uint8_t(d.offset);
    nvm_save_device_settings(d.settings);
    d.offset = 0;
    prn_init();
    ui_set_mode(MODE_DIAG_TEST_LABEL);
    d.command = 0;
    return;
  }
  if (key == KEY_RIGHT) {
    if (d.speed_test == 0 && d.offset < 4) ++d.offset;
    if (d.speed_test == 1 && d.offset == 1) d.offset = 3;
  } else if (key == KEY_LEFT) {
    if (d.speed_test == 0 && d.offset > -4) --d.offset;
    if (d.speed_test == 1 && d.offset == 3) d.offset = 1;
  }
  offset_draw();
}

// Commands that only start a factory print (or another mode) on entry.
struct ModeCommand {
  uint8_t command;
  uint8_t mode;
  bool clear_command;
};
constexpr ModeCommand kModeCommands[] = {
    {7, MODE_GLYPH_CHART, false},       {8, MODE_SAMPLE_ONE, false},       {12, MODE_DIAG_TEST_LABEL, true},
    {13, MODE_DIAG_TEST_LABEL_CUT, true}, {14, MODE_ENERGY_SWEEP, true}, {17, MODE_RULER_350, true},
    {18, MODE_RULER_500, true},         {19, MODE_RULER_1000, true},       {23, MODE_BURN_TEST, false},
};

// A command whose print mode has no job yet shows "Function Not Available" and
// goes back to the editor rather than leaving the device in a mode nothing acts on.
void start_mode(uint8_t mode) {
  if (ui_mode_is_built(mode)) {
    ui_set_mode(mode);
    return;
  }
  ui_set_mode(MODE_EDITOR);
  msg_popup_show(MSG_NOT_AVAILABLE, 1);
}

void on_entry(uint8_t command) {
  for (const ModeCommand& m : kModeCommands) {
    if (m.command != command) continue;
    start_mode(m.mode);
    if (m.clear_command) d.command = 0;
    return;
  }
  switch (command) {
    case 0:
      ui_set_mode(MODE_EDITOR);
      break;
    case 1:
      info_page();
      break;
    case 2:
      lcd_clear_text();
      lcd_clear_status();
      lcd_put_text(0, 0, "Row", 0);
      lcd_put_text(1, 0, "Col", 0);
      break;
    case 3:
      lbl_record()->serial_print = 0;
      lbl_record()->copies = 1;
      d.command = 0;
      d.last_command = 0;
      start_mode(MODE_SAMPLES_ALL);
      break;
    case 4:
      display_test_entry();
      break;
    case 5:
      pwr_disable_auto_off();
      prn_set_repeat_flag(1);
      d.command = 0;
      break;
    case 6:
      flash_check_entry();
      break;
    case 9:
      ui_set_mode(MODE_MSG_BROWSER);
      d.command = 0;
      d.last_command = 0;
      break;
    case 10:
      d.command = kCycle[d.cycle_pos];
      d.cycle_pos = uint8_t((d.cycle_pos + 1) % 6);
      break;
    case 11:
      sensor_page_entry();
      break;
    case 15:
      grade_prompt_entry();
      break;
    case 16:
      offset_draw();
      break;
    case 20:
      pwr_disable_auto_off();
      ui_set_mode(MODE_EDITOR);
      msg_popup_show(MSG_AUTO_OFF_OFF, 1);
      sys_busy_hook(0, 1);
      d.command = 0;
      break;
    case 22:
      ui_set_mode(MODE_CUTTER_TEST);
      d.command = 0;
      pwr_disable_auto_off();
      lcd_clear_text();
      lcd_put_text(1, 0, "Cutter Test", 0);
      lcd_flush();
      break;
    default:
      break;
  }
}

void every_tick(uint8_t command) {
  switch (command) {
    case 1:
      diag_check_exit();
      reset_sequence();
      break;
    case 2:
      diag_check_exit();
      keyboard_test();
      break;
    case 4:
      display_test();
      break;
    case 6:
      flash_check_step();
      diag_check_exit();
      break;
    case 11:
      sensor_page();
      break;
    case 15:
      grade_prompt();
      break;
    case 16:
      offset_choice();
      break;
    default:
      break;
  }
}

// A command typed while the device prints starts once the job has ended.
void start_pending() {
  const uint8_t pending = d.pending;
  if (!pending || device_printing()) return;
  d.pending = 0;
  d.command = uint8_t(pending - 1);
  d.typed = true;
  ui_set_mode(MODE_DIAG);
}
}  // namespace

void diag_init() {
  d.command = 0;
  d.last_command = 0;
  d.is_new = 1;
  d.lcd_phase = 2;
  d.reset_seq = 0;
  d.cycle_pos = 0;
  d.lamp_first = 1;
  d.speed_test = 1;
  d.offset = 0;
  d.pending = 0;
  d.typed = false;
  d.flash_block = kFlashBlocks;
  load_settings();
}

const char* diag_erased_note() {
  // At most six letters of 9 dots: the status line shows 56 columns.
  static const char* const kNotes[MSG_LANGUAGES] = {
      "Erased", "Reset", "Effac\xA4", "Zerado", "Reset", "Gewist",
  };
  const uint8_t language = sys_language();
  return kNotes[language < MSG_LANGUAGES ? language : uint8_t(LANG_ENGLISH)];
}

void diag_erase_settings() {
  nvm_erase_device_settings();
  prn_use_factory_settings();
  prn_factory_settings(d.settings);
}

void diag_task() {
  start_pending();
  if (ui_get_mode() != MODE_DIAG) return;
  const uint8_t command = d.command;
  d.is_new = d.typed.exchange(false) || command != d.last_command;
  d.last_command = command;
  // A new command ends the test before it, however that test is left: an
  // Alt command typed during the display test must not leave its grey
  // background and lit lamps behind.
  if (d.is_new) {
    leave_tests();
    on_entry(command);
  }
  if (ui_get_mode() == MODE_DIAG && d.command == command) every_tick(command);
}

void diag_check_exit() {
  if (!func_is_active() || kbd_get_key() != KEY_X) return;
  kbd_clear_key();
  func_after_key();
  leave_tests();
  d.command = d.cycle_pos != 0 ? 10 : 0;
}

void diag_alt_command(uint8_t command) {
  if (device_printing()) {
    d.pending = uint8_t(command + 1);
    return;
  }
  d.command = command;
  d.typed = true;
  ui_set_mode(MODE_DIAG);
}

bool diag_draw_pending() {
  if (ui_get_mode() != MODE_DIAG) return false;
  const uint8_t command = d.command;
  return d.typed || command != d.last_command || (command == 11 && d.step <= 11);
}

bool diag_keeps_key() {
  const uint8_t key = kbd_get_key();
  if (ui_get_mode() != MODE_DIAG || key == 0 || diag_draw_pending()) return false;
  if (func_is_active() && key == KEY_X) return false;  // the exit, taken on the next tick
  switch (d.command) {
    case 1:  // the counter-reset sequence takes every key
    case 4:  // the lamp walk takes keys (the two display phases keep them until then)
    case 15:
    case 16:
      return false;
    default:
      return true;
  }
}

void diag_set_command(uint8_t command) { d.command = command; }
uint8_t diag_command() { return d.command; }
void diag_set_speed_test(uint8_t on) { d.speed_test = on; }
uint8_t diag_get_speed_test() { return d.speed_test; }
int8_t diag_offset() { return d.offset; }
