#include "firmware/kernel/kernel.h"

#include <atomic>

#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/adc.h"
#include "firmware/platform/cartridge.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/platform/power.h"
#include "firmware/platform/tape.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/screens/diag.h"
#include "firmware/screens/fname.h"
#include "firmware/screens/marquee.h"
#include "firmware/screens/pickers.h"
#include "firmware/screens/popup.h"

namespace {
struct Kernel {
  // The mode is read and set by both firmware threads: one byte, no lock.
  std::atomic<uint8_t> mode{0};
  std::atomic<uint8_t> prev_mode{0};
  std::atomic<uint8_t> func{1};
  std::atomic<uint8_t> repeat_print{0};
} k;

void cart_hw_init() {}
void cart_sensor_init() {}
void print_sink_init() { tape_init(); }
void display_hw_init() {}
}  // namespace

// ---- UI mode register ----

void ui_init() {
  k.mode = MODE_POWER_ON;
  k.repeat_print = 0;
}

void ui_power_reset() {
  k.mode = 0;
  k.prev_mode = 0;
  k.func = 1;
  k.repeat_print = 0;
}

uint8_t ui_get_mode() { return k.mode; }
uint8_t ui_get_prev_mode() { return k.prev_mode; }

void ui_set_mode(uint8_t m) {
  uint8_t c = k.mode;
  if (m == MODE_INTL_PICKER) intl_set_return_mode(c);
  if (m == MODE_MARQUEE && c != MODE_MARQUEE) {
    sys_busy_hook(1, 1);
    k.prev_mode = c;
  }
  if (c == MODE_MARQUEE && m != MODE_MARQUEE) {
    sys_busy_hook(0, 1);
    k.prev_mode = 0;
  }
  k.mode = m;
}

// ---- Func key ----
// 1 off; 0 held, no key yet; 2 held after a key (or pressed again while
// latched); 3 latched for one key, indicator on.

void func_key_down() { k.func = k.func == 3 ? 2 : 0; }

void func_key_up() {
  uint8_t st = k.func;
  if (st == 0) {
    k.func = 3;
    lcd_set_func_indicator(true);
  } else if (st == 2) {
    k.func = 1;
    lcd_set_func_indicator(false);
  }
}

bool func_is_active() { return k.func != 1; }

void func_after_key() {
  uint8_t st = k.func;
  if (st == 0) {
    k.func = 2;
  } else if (st == 3) {
    k.func = 1;
    lcd_set_func_indicator(false);
  }
}

void func_release() {
  k.func = 1;
  lcd_set_func_indicator(false);
}

uint8_t func_state() { return k.func; }

// ---- Misc ----

uint8_t prn_get_repeat_flag() { return k.repeat_print; }
void prn_set_repeat_flag(uint8_t on) { k.repeat_print = on; }

void sys_busy_hook(uint8_t, uint8_t) {}

int fw_version_major() { return 1; }
int fw_version_minor() { return 3; }

uint8_t sys_language() {
  uint8_t settings[10] = {};
  if (!nvm_load_device_settings(settings)) return 0;
  return settings[0] <= 5 ? settings[0] : 0;
}

// ---- Start-up and tick ----

void firmware_init() {
  pwr_hw_init();
  ui_init();
  cart_hw_init();
  nvm_init();
  mirror_init();
  kbd_init();
  prn_init();
  print_sink_init();
  cart_sensor_init();
  cart_init();
  font_init();
  lcd_init();
  ed_init();
  menu_init();
  marquee_init();
  sym_init();
  intl_init();
  fname_init();
  confirm_init();
  msg_popup_init();
  diag_init();
  cut_init();
  pwr_init();
  msg_browser_init();
  adc_init();
  display_hw_init();
  lcd_show_battery(adc_read(2));
}

void power_on_task() {
  if (k.mode == MODE_POWER_ON) ui_set_mode(MODE_EDITOR);
}

void sys_tick() {
  menu_task();
  sym_picker_task();
  intl_picker_task();
  fname_mode_task();
  confirm_task();
  msg_popup_task();
  marquee_task();
  pwr_task();
  ed_mode_task();
  kbd_task();
  cart_task();
  mirror_cursor_tick();
  adc_task();
  prn_tick_task();
  cut_task();
  tape_task();
  diag_task();
  msg_browser_task();
  power_on_task();
}

void sys_shutdown_save() { nvm_save_working_label(lbl_record()); }
