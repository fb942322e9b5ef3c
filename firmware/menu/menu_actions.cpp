// What Enter does in the list menus: label types by material, fixed lengths
// and wire sizes in inches or millimetres, units with the conversion of the
// label type, font size and bold, copies (which start printing at once),
// barcodes, the main menu's entries, the language and the label files. A
// setting that fails its check shows a timed message. (The serial menu and
// the terminal block / patch panel menus have files of their own.)
#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/editor/label_ranges.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu_table.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/cartridge.h"
#include "firmware/print/engine.h"
#include "firmware/print/geometry.h"
#include "firmware/screens/confirm.h"
#include "firmware/screens/fname.h"
#include "firmware/screens/popup.h"

namespace {
MenuState& st = menu_st;

void set_type_or_complain(uint8_t t) {
  if (!lbl_set_type(t)) msg_popup_show(MSG_CANNOT_FIT, 1);
}

// Fixed lengths and wire sizes: entry i of the list is its first type + i.
bool size_list_enter(uint8_t first_inch, uint8_t first_mm) {
  const uint8_t t = uint8_t(st.menu_sel + (st.work_units ? first_mm : first_inch));
  menu_close();
  set_type_or_complain(t);
  return false;
}
}  // namespace

bool main_enter() {
  st.main_sel = st.menu_sel;
  switch (menu_selected_entry()) {
    case MSG_SYMBOLS:
      menu_close();
      ui_set_mode(MODE_SYMBOL_PICKER);
      break;
    case MSG_INTERNATIONAL:  // the main menu is rebuilt when the picker returns
      st.drawn_menu_id = 0;
      st.reload_work = 1;
      // The picker returns to the mode it was opened from: the menu itself,
      // not its scrolling entry.
      if (ui_get_mode() == MODE_MARQUEE) ui_set_mode(MODE_MENU);
      ui_set_mode(MODE_INTL_PICKER);
      break;
    case MSG_BARCODE:
      menu_open(MENU_BARCODE);
      break;
    case MSG_FILE:
      menu_open(MENU_FILE);
      break;
    case MSG_UNITS:
      menu_open(MENU_UNITS);
      break;
    case MSG_LANGUAGE: {
      uint8_t settings[10] = {};
      const bool ok = nvm_load_device_settings(settings);
      st.language_sel = ok && settings[PRN_SET_LANGUAGE] < MSG_LANGUAGES ? settings[PRN_SET_LANGUAGE] : 0;
      menu_open(MENU_LANGUAGE);
      break;
    }
    default:  // an entry with no function here is said so, not ignored
      msg_popup_show(MSG_NOT_AVAILABLE, 1);
      break;
  }
  return false;
}

bool copies_enter() {
  if (const uint8_t refusal = lbl_print_refusal()) {
    menu_close();
    msg_popup_show(refusal, 1);
  } else {
    lbl_set_copies(st.work_copies);
    menu_close();
    ui_set_mode(MODE_PRINT);
  }
  return false;
}

bool label_type_enter() {
  switch (menu_selected_entry()) {
    case MSG_BANNER_PORTRAIT:
      menu_close();
      set_type_or_complain(LABEL_BANNER_PORTRAIT);
      break;
    case MSG_BANNER_LANDSCAPE:
      menu_close();
      set_type_or_complain(LABEL_BANNER_LANDSCAPE);
      break;
    case MSG_FIXED_LENGTH:
      menu_open(MENU_FIXED_LENGTH);
      break;
    case MSG_TERMINAL_BLOCK:
      st.reload_work = 0;  // the previewed type and units carry into the settings
      menu_open(MENU_TERMINAL_BLOCK);
      break;
    case MSG_PATCH_PANEL:
      st.reload_work = 0;
      menu_open(MENU_PATCH_PANEL);
      break;
    case MSG_WIRE:  // self-laminating material has one wire type of its own
      if (cart_is_self_lam()) {
        menu_close();
        set_type_or_complain(LABEL_WIRE_SELF_LAM);
      } else {
        menu_open(MENU_WIRE_SIZE);
      }
      break;
    default:
      msg_popup_show(MSG_NOT_AVAILABLE, 1);
      break;
  }
  return false;
}

bool barcode_enter() {
  const bool from_editor = st.return_to_editor != 0;
  st.return_to_editor = 0;
  if (lbl_barcode_begin(uint8_t(st.menu_sel + 1))) {
    menu_close();  // the cursor stands in the new field
    return false;
  }
  if (from_editor) ui_set_mode(MODE_EDITOR);
  if (cart_get_id() != CART_TAPE_3_4_IN)
    msg_popup_show(MSG_MEDIA_ONLY, 1);
  else if (lbl_get_type() == LABEL_BANNER_LANDSCAPE)
    msg_popup_show(MSG_CANNOT_FIT, 1);  // more than one line
  else
    msg_popup_show(MSG_LANDSCAPE_ONLY, 1);
  st.drawn_menu_id = 0;
  return false;
}

bool file_slots_enter() {
  const uint8_t slot = st.menu_sel;
  if (slot >= NVM_LABEL_FILES) return false;
  LabelRecord stored;
  switch (st.file_action) {
    case FILE_OPEN:
      nvm_load_label_file(slot, &stored);
      menu_close();
      if (lbl_checksum_ok(&stored)) {
        // A file carries the whole label, settings included.
        std::memcpy(lbl_record(), &stored, sizeof stored);
        lbl_apply_field_ranges(lbl_record());
        lbl_make_consistent(lbl_record());
      } else {
        msg_popup_show(MSG_ERROR, 1);
      }
      break;
    case FILE_SAVE:
      st.drawn_menu_id = 0;
      nvm_load_label_file(slot, &stored);
      if (lbl_checksum_ok(&stored))
        confirm_open(CONFIRM_REPLACE, slot);
      else
        fname_start(slot);  // an empty slot: straight to its name
      break;
    case FILE_DELETE:
      st.drawn_menu_id = 0;
      confirm_open(CONFIRM_DELETE, slot);
      break;
    default:
      break;
  }
  return false;
}

bool file_enter() {
  st.file_action = st.menu_sel;
  menu_open(MENU_FILE_SLOTS);
  return false;
}

bool language_enter() {
  uint8_t settings[10] = {};
  // Settings that cannot be read start from those the print engine runs
  // with, so that a bad record never comes back with a valid sum.
  if (!nvm_load_device_settings(settings)) prn_get_settings(settings);
  settings[PRN_SET_LANGUAGE] = st.menu_sel;
  nvm_save_device_settings(settings);
  menu_close();
  return false;
}

// Units: the label type follows into the other system.
bool units_enter() {
  st.work_units = st.menu_sel;
  const uint8_t t = lbl_get_type();
  if (st.work_units == 1) {
    if (lbl_type_is_fixed_inch(t))
      lbl_set_type(LABEL_FIXED_30_MM);
    else if (lbl_type_is_wire_size_inch(t))
      lbl_set_type(LABEL_WIRE_30_MM);
    else if (t == LABEL_TERMINAL_BLOCK_IN)
      lbl_set_type(LABEL_TERMINAL_BLOCK_MM);
    else if (t == LABEL_PATCH_PANEL_IN)
      lbl_set_type(LABEL_PATCH_PANEL_MM);
  } else {
    if (lbl_type_is_fixed_mm(t))
      lbl_set_type(LABEL_FIXED_1_0_IN);
    else if (lbl_type_is_wire_size_mm(t))
      lbl_set_type(LABEL_WIRE_0_75_IN);
    else if (t == LABEL_TERMINAL_BLOCK_MM)
      lbl_set_type(LABEL_TERMINAL_BLOCK_IN);
    else if (t == LABEL_PATCH_PANEL_MM)
      lbl_set_type(LABEL_PATCH_PANEL_IN);
  }
  lbl_set_units(st.work_units);
  menu_close();
  return false;
}

bool fixed_length_enter() { return size_list_enter(LABEL_FIXED_1_0_IN, LABEL_FIXED_30_MM); }
bool wire_size_enter() { return size_list_enter(LABEL_WIRE_0_75_IN, LABEL_WIRE_20_MM); }

// Font size: bold follows at once; the size only when the label still fits
// (and a wire marker still holds one copy of its text).
bool font_size_enter() {
  const uint8_t i = st.menu_sel;
  LabelRecord* r = lbl_record();
  lbl_set_bold(i % 2);  // at once, and kept when the size is refused
  const uint8_t kept = r->font_size;
  r->font_size = uint8_t(i / 2);
  bool fits = prn_label_fits(r);
  if (fits && lbl_type_is_wire_size(r->label_type)) {
    uint16_t repeats = 0, remainder = 0;
    prn_wire_repeats(r, &repeats, &remainder);
    fits = repeats > 0;
  }
  r->font_size = kept;
  if (fits) {
    lbl_set_font_size(uint8_t(i / 2));
    menu_close();
  } else {
    msg_popup_show(MSG_CANNOT_FIT, 1);
    st.reload_work = 0;
    st.drawn_menu_id = 0;
  }
  return false;
}
