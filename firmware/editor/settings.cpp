// The menu actions. Label types by material, fixed lengths and wire sizes in
// inches or millimetres, units with the conversion of the label type,
// terminal block and patch panel parameters, font size and bold, copies
// (which start printing at once), the serial run, barcodes, the language and
// the label files. A setting that fails its check shows a timed message.
#include "firmware/editor/settings.h"

#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/menu.h"
#include "firmware/editor/menu_state.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/engine.h"
#include "firmware/print/geometry.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/confirm.h"
#include "firmware/screens/fname.h"
#include "firmware/screens/popup.h"
#include "host/cartridge.h"

namespace {
constexpr uint16_t kMinSerialLabels = 2, kMaxSerialLabels = 998;

enum : uint8_t { FILE_SAVE = 0, FILE_OPEN = 1, FILE_DELETE = 2 };

void set_type_or_complain(uint8_t t) {
  if (!lbl_set_type(t)) msg_popup_show(MSG_CANNOT_FIT, 1);
}

void main_menu(MenuState& m) {
  m.main_sel = m.menu_sel;
  switch (menu_selected_entry()) {
    case MSG_SYMBOLS:
      menu_close();
      ui_set_mode(MODE_SYMBOL_PICKER);
      break;
    case MSG_INTERNATIONAL:  // the main menu is rebuilt when the picker returns
      m.drawn_menu_id = 0;
      m.reload_work = 1;
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
      m.language_sel = ok && settings[PRN_SET_LANGUAGE] < MSG_LANGUAGES ? settings[PRN_SET_LANGUAGE] : 0;
      menu_open(MENU_LANGUAGE);
      break;
    }
    default:
      break;
  }
}

bool serial_menu(MenuState& m) {
  uint8_t kept[LBL_SERIAL_BLOCK_SIZE];
  std::memcpy(kept, lbl_serial_block(), sizeof kept);
  lbl_set_serial_block(reinterpret_cast<const uint8_t*>(&m.work_serial));
  const uint32_t labels = uint32_t(ser_label_count()) * m.work_copies;
  if (labels < kMinSerialLabels || labels > kMaxSerialLabels) {
    lbl_set_serial_block(kept);
    msg_popup_show(MSG_ERROR, 1);
    m.drawn_menu_id = 0;
    return false;
  }
  lbl_set_copies(m.work_copies);
  lbl_set_serial_print(1);  // the next print runs the serial
  menu_close();
  return true;
}

void copies_menu(MenuState& m) {
  if (prn_label_fits(lbl_record())) {
    lbl_set_copies(m.work_copies);
    menu_close();
    ui_set_mode(MODE_PRINT);
  } else {
    menu_close();
    msg_popup_show(MSG_CANNOT_FIT, 1);
  }
}

void label_type_menu(MenuState& m) {
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
      m.reload_work = 0;  // the previewed type and units carry into the settings
      menu_open(MENU_TERMINAL_BLOCK);
      break;
    case MSG_PATCH_PANEL:
      m.reload_work = 0;
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
      break;
  }
}

void barcode_menu(MenuState& m) {
  const bool from_editor = m.return_to_editor != 0;
  m.return_to_editor = 0;
  if (lbl_barcode_begin(uint8_t(m.menu_sel + 1))) {
    menu_close();  // the cursor stands in the new field
    return;
  }
  if (from_editor) ui_set_mode(MODE_EDITOR);
  if (cart_get_id() != CART_TAPE_3_4_IN)
    msg_popup_show(MSG_MEDIA_ONLY, 1);
  else if (lbl_get_type() == LABEL_BANNER_LANDSCAPE)
    msg_popup_show(MSG_CANNOT_FIT, 1);  // more than one line
  else
    msg_popup_show(MSG_LANDSCAPE_ONLY, 1);
  m.drawn_menu_id = 0;
}

void file_slots_menu(MenuState& m) {
  const uint8_t slot = m.menu_sel;
  if (slot >= NVM_LABEL_FILES) return;
  LabelRecord stored;
  switch (m.file_action) {
    case FILE_OPEN:
      nvm_load_label_file(slot, &stored);
      menu_close();
      if (lbl_checksum_ok(&stored)) {
        // A file carries the whole label, settings included.
        std::memcpy(lbl_record(), &stored, sizeof stored);
        lbl_make_consistent(lbl_record());
      } else {
        msg_popup_show(MSG_ERROR, 1);
      }
      break;
    case FILE_SAVE:
      m.drawn_menu_id = 0;
      nvm_load_label_file(slot, &stored);
      if (lbl_checksum_ok(&stored))
        confirm_open(CONFIRM_REPLACE, slot);
      else
        fname_start(slot);  // an empty slot: straight to its name
      break;
    case FILE_DELETE:
      m.drawn_menu_id = 0;
      confirm_open(CONFIRM_DELETE, slot);
      break;
    default:
      break;
  }
}

void language_menu(MenuState& m) {
  uint8_t settings[10] = {};
  // Settings that cannot be read start from those the print engine runs
  // with, so that a bad record never comes back with a valid sum.
  if (!nvm_load_device_settings(settings)) prn_get_settings(settings);
  settings[PRN_SET_LANGUAGE] = m.menu_sel;
  nvm_save_device_settings(settings);
  menu_close();
}

// Units: the label type follows into the other system.
void units_menu(MenuState& m) {
  m.work_units = m.menu_sel;
  const uint8_t t = lbl_get_type();
  const bool mm = m.work_units == 1;
  if (mm) {
    if (lbl_type_is_fixed_inch(t))
      lbl_set_type(LABEL_FIXED_30_MM);
    else if (lbl_type_is_wire_size_inch(t))
      lbl_set_type(LABEL_WIRE_30_MM);
  } else {
    if (lbl_type_is_fixed_mm(t))
      lbl_set_type(LABEL_FIXED_1_0_IN);
    else if (lbl_type_is_wire_size_mm(t))
      lbl_set_type(LABEL_WIRE_0_75_IN);
  }
  const LabelType block = lbl_block_type(lbl_type_is_terminal_block(t), mm);
  if (lbl_type_is_block(t) && t != block) lbl_set_type(block);
  lbl_set_units(m.work_units);
  menu_close();
}

void size_list_menu(MenuState& m, uint8_t first_inch, uint8_t first_mm) {
  const uint8_t t = uint8_t(m.menu_sel + (m.work_units ? first_mm : first_inch));
  menu_close();
  set_type_or_complain(t);
}

bool block_menu(MenuState& m, bool terminal) {
  if (m.work_block.custom_spacing < 2) {
    m.drawn_menu_id = 0;
    m.reload_work = 0;
    msg_popup_show(MSG_ERROR, 1);
    return false;
  }
  m.work_block.serial = m.work_block_serial;
  lbl_set_term_block(reinterpret_cast<const uint8_t*>(&m.work_block));
  lbl_set_type(lbl_block_type(terminal, m.work_units != 0));
  menu_close();
  return true;
}

void font_menu(MenuState& m) {
  const uint8_t i = m.menu_sel;
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
    m.reload_work = 0;
    m.drawn_menu_id = 0;
  }
}
}  // namespace

bool menu_action() {
  MenuState& m = menu_state();
  switch (m.menu_id) {
    case MENU_MAIN:
      main_menu(m);
      return false;
    case MENU_SERIAL:
      return serial_menu(m);
    case MENU_COPIES:
      copies_menu(m);
      return false;
    case MENU_LABEL_TYPE:
      label_type_menu(m);
      return false;
    case MENU_BARCODE:
      barcode_menu(m);
      return false;
    case MENU_FILE_SLOTS:
      file_slots_menu(m);
      return false;
    case MENU_LANGUAGE:
      language_menu(m);
      return false;
    case MENU_UNITS:
      units_menu(m);
      return false;
    case MENU_FIXED_LENGTH:
      size_list_menu(m, LABEL_FIXED_1_0_IN, LABEL_FIXED_30_MM);
      return false;
    case MENU_WIRE_SIZE:
      size_list_menu(m, LABEL_WIRE_0_75_IN, LABEL_WIRE_20_MM);
      return false;
    case MENU_TERMINAL_BLOCK:
      return block_menu(m, true);
    case MENU_PATCH_PANEL:
      return block_menu(m, false);
    case MENU_FILE:
      m.file_action = m.menu_sel;
      menu_open(MENU_FILE_SLOTS);
      return false;
    case MENU_FONT_SIZE:
      font_menu(m);
      return false;
    default:
      return false;
  }
}
