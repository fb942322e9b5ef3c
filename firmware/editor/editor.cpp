// The editor's mode task and command keys. The task runs on every tick and
// notices each change of the UI mode (entry rebuilds the screen and measures
// the battery at once); in modes 1 and 2 it applies the material rules to the
// label type, refreshes the battery every 101 ticks and takes one key from
// the register.
#include "firmware/editor/editor.h"
#include "firmware/menu/menu_ids.h"

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/platform/adc.h"
#include "firmware/platform/cartridge.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/print/geometry.h"
#include "firmware/screens/pickers.h"
#include "firmware/screens/popup.h"

namespace {
// The battery is measured when the count reaches 100: on entry (it is set to
// 100 on every mode change) and then every 101 editor ticks.
constexpr uint32_t kBatteryPeriod = 100;
constexpr uint8_t kBatteryChannel = 2;

struct Editor {
  uint8_t caps = 1;
  uint8_t last_mode = 0;
  uint8_t redraw = 0;
  uint32_t battery_ticks = 0;
  const char* note = nullptr;  // shown on the status line until the next key
} ed;

// The label type follows the loaded material: the self-laminating wire type
// needs self-laminating material; wire sizes and block labels cannot print on
// self-laminating or sleeve material. True when the type changed.
bool apply_material_rules() {
  const uint8_t t = lbl_get_type();
  const bool self_lam = cart_is_self_lam();
  if (t == LABEL_WIRE_SELF_LAM && !self_lam) {
    lbl_set_type(LABEL_WIRE_0_75_IN);
    return true;
  }
  if ((self_lam || cart_is_sleeve()) && (lbl_type_is_wire_size(t) || lbl_type_is_block(t))) {
    lbl_set_type(lbl_type_is_wire_size(t) && self_lam ? LABEL_WIRE_SELF_LAM : LABEL_BANNER_LANDSCAPE);
    return true;
  }
  return false;
}

void print_key() {
  if (lbl_is_empty()) return;  // nothing to print, and nothing said
  if (func_is_active()) {
    ed_open_menu(MENU_COPIES);
  } else if (prn_get_repeat_flag()) {
    ui_set_mode(MODE_ENDLESS_GLYPHS);
  } else if (const uint8_t refusal = lbl_print_refusal()) {
    msg_popup_show(refusal, 1);
  } else {
    ui_set_mode(MODE_PRINT);
  }
}

// A key in the Func layer that is not a command key: a character, or one of
// the three commands. False when the task stops here: a picker or the
// barcode menu took over (the caller has ended the Func layer, so the lamp
// goes out and the next key there is plain).
bool func_character_key(uint8_t key) {
  const uint16_t c = kbd_key_to_func_char(key);
  switch (c) {
    case ED_FUNC_INTL_PICKER:
      ui_set_mode(MODE_INTL_PICKER);
      return false;
    case ED_FUNC_SYMBOL_PICKER:
      ui_set_mode(MODE_SYMBOL_PICKER);
      sym_open_from_editor();
      return false;
    case ED_FUNC_BARCODE_MENU:
      menu_open(MENU_BARCODE);
      ui_set_mode(MODE_MENU);
      menu_set_return_to_editor(1);
      return false;
    default:
      if (c != 0) lbl_insert_char(c);  // codes past the table insert nothing
      return true;
  }
}
}  // namespace

void ed_init() {
  ed.caps = 1;
  ed.last_mode = 0;
  ed.redraw = 0;
  ed.battery_ticks = 0;
  ed.note = nullptr;
  ed_refresh();
}

uint8_t ed_caps() { return ed.caps; }

bool ed_redraw_pending() { return ui_get_mode() != ed.last_mode; }

void ed_show_status_note(const char* text) { ed.note = text; }

void ed_toggle_caps() { ed.caps = ed.caps ? 0 : 1; }

void ed_refresh() {
  lcd_set_caps_indicator(ed.caps != 0);
  if (ed.note) {
    // The note stands where the status fields do; their lamps still show
    // the label (a service test before may have left others lit).
    lcd_show_status_note(ed.note);
    lcd_set_pt_indicator(true);
    lcd_set_bold_indicator(lbl_record()->bold != 0);
  } else {
    lcd_draw_status(lbl_record());
  }
  lcd_draw_editor();
}

void ed_open_menu(uint8_t n) {
  if (n == MENU_SERIAL) {
    const uint8_t t = lbl_get_type();
    if (lbl_type_is_terminal_block(t)) n = MENU_TERMINAL_BLOCK;
    if (lbl_type_is_patch_panel(t)) n = MENU_PATCH_PANEL;
  }
  menu_open(n);
  ui_set_mode(MODE_MENU);
}

void ed_command_key(uint8_t key) {
  const bool func = func_is_active();
  switch (key) {
    case KEY_MENU:
      ed_open_menu(func ? MENU_SERIAL : MENU_MAIN);
      break;
    case KEY_LABEL:
      if (func)
        ui_set_mode(MODE_FEED);
      else
        ed_open_menu(MENU_LABEL_TYPE);
      break;
    case KEY_FONT:
      if (func)
        ed_toggle_caps();
      else
        ed_open_menu(MENU_FONT_SIZE);
      break;
    case KEY_DELETE:
      if (func)
        lbl_clear_text();
      else
        lbl_backspace();
      break;
    case KEY_ENTER:
      lbl_new_line(true);
      break;
    case KEY_PRINT:
      print_key();
      break;
    case KEY_UP:
      lbl_cursor_up();
      break;
    case KEY_DOWN:
      lbl_cursor_down();
      break;
    case KEY_RIGHT:
      lbl_cursor_right();
      break;
    case KEY_LEFT:
      lbl_cursor_left();
      break;
    default:  // 0, 2, 5, 6, 7 and Caps Lock (15) do nothing here
      break;
  }
}

void ed_mode_task() {
  const uint8_t key = kbd_get_key();
  const uint8_t mode = ui_get_mode();
  if (mode != ed.last_mode) {
    ed.last_mode = mode;
    ed.redraw = 1;
    ed.battery_ticks = kBatteryPeriod;
  } else {
    ed.redraw = 0;
  }
  if (mode != MODE_EDITOR && mode != MODE_EDITOR_ALT) return;

  const uint32_t count = ed.battery_ticks++;
  if (count >= kBatteryPeriod) {
    lcd_show_battery(adc_read(kBatteryChannel));
    ed.battery_ticks = 0;
  }

  if (apply_material_rules()) ed.redraw = 1;

  if (ed.redraw) {
    lcd_clear_text();
    ed_refresh();
  }

  if (key == KEY_NONE) return;
  kbd_clear_key();
  ed.note = nullptr;

  if (func_is_active() && key == KEY_SPACE) {
    mirror_toggle_background();
  } else {
    if (cart_get_id() == CART_NONE) {
      // The key is taken all the same: a Func layer ends with it.
      if (func_is_active()) func_after_key();
      msg_popup_show(MSG_INSERT_LABELS, 1);
      return;
    }
    if (kbd_is_command_key(key)) {
      ed_command_key(key);
    } else if (func_is_active()) {
      if (!func_character_key(key)) {
        func_after_key();
        return;
      }
    } else {
      // A code past the last key (the host never sends one) maps to nothing.
      const uint16_t c = kbd_key_to_char(key, ed.caps);
      if (c != 0) lbl_insert_char(c);
    }
  }

  if (func_is_active() && key != KEY_FUNC) func_after_key();
  // A key that started printing has handed the label record and the screen
  // to the print engine on the worker thread: the editor leaves both alone.
  if (ui_is_printing_mode(ui_get_mode())) return;
  ed_refresh();
}
