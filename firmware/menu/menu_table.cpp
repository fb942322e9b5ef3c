// The menu tree, one row per menu. To add a menu:
//   1. give it an id in menu_ids.h;
//   2. list its entries (message ids) below, or write a `choose` hook when the
//      list depends on the material or the units;
//   3. write its action (what Enter does; menu_actions.cpp or a file of its
//      own for a larger menu) and declare it in menu_table.h;
//   4. add its row to kMenus: id, entries, parent (where Back goes), action,
//      and only the hooks it needs (working copies to prepare, the first
//      selection, the status-line preview).
// An entry with a value of its own ("Copies:", "Spacing:") is a row of the
// field table in menu_values.cpp, and shows its value in any menu that lists it.
#include <cstring>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu_table.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/cartridge.h"
#include "firmware/screens/popup.h"

namespace {
MenuState& st = menu_st;

// ---- Entries ----

constexpr uint8_t kMain[] = {MSG_SYMBOLS, MSG_INTERNATIONAL, MSG_BARCODE, MSG_FILE, MSG_LANGUAGE, MSG_UNITS};
constexpr uint8_t kSerial[] = {MSG_START, MSG_INCREMENT_BY, MSG_END, MSG_COPIES};
constexpr uint8_t kCopies[] = {MSG_COPIES};
constexpr uint8_t kTypesPlain[] = {MSG_BANNER_LANDSCAPE, MSG_WIRE,         MSG_TERMINAL_BLOCK,
                                   MSG_PATCH_PANEL,      MSG_FIXED_LENGTH, MSG_BANNER_PORTRAIT};
constexpr uint8_t kTypesSelfLam[] = {MSG_BANNER_LANDSCAPE, MSG_FIXED_LENGTH, MSG_WIRE};
constexpr uint8_t kTypesSleeve[] = {MSG_BANNER_LANDSCAPE, MSG_FIXED_LENGTH};
constexpr uint8_t kBarcode[] = {MSG_CODE_39, MSG_CODE_128};
constexpr uint8_t kSlots[] = {MSG_SLOT_1, MSG_SLOT_2, MSG_SLOT_3, MSG_SLOT_4,  MSG_SLOT_5,  MSG_SLOT_6,
                              MSG_SLOT_7, MSG_SLOT_8, MSG_SLOT_9, MSG_SLOT_10, MSG_SLOT_11, MSG_SLOT_12};
constexpr uint8_t kLanguages[] = {MSG_ENGLISH, MSG_ESPANOL, MSG_FRANCAIS, MSG_PORTUGUES, MSG_DEUTSCH, MSG_NEDERLANDS};
constexpr uint8_t kUnits[] = {MSG_INCHES, MSG_MILLIMETERS};
constexpr uint8_t kFixedInch[] = {MSG_FIXED_1_0_IN, MSG_FIXED_1_5_IN, MSG_FIXED_2_0_IN, MSG_FIXED_2_5_IN,
                                  MSG_FIXED_3_0_IN, MSG_FIXED_3_5_IN, MSG_FIXED_4_0_IN, MSG_FIXED_4_5_IN,
                                  MSG_FIXED_5_0_IN, MSG_FIXED_5_5_IN, MSG_FIXED_6_0_IN};
// The 10 and 20 mm lengths have texts but no label type.
constexpr uint8_t kFixedMm[] = {MSG_FIXED_30_MM,  MSG_FIXED_40_MM,  MSG_FIXED_50_MM,  MSG_FIXED_60_MM,
                                MSG_FIXED_70_MM,  MSG_FIXED_80_MM,  MSG_FIXED_90_MM,  MSG_FIXED_100_MM,
                                MSG_FIXED_110_MM, MSG_FIXED_120_MM, MSG_FIXED_130_MM, MSG_FIXED_140_MM,
                                MSG_FIXED_150_MM};
constexpr uint8_t kWireInch[] = {MSG_WIRE_0_75_IN, MSG_WIRE_1_0_IN, MSG_WIRE_1_2_IN, MSG_WIRE_1_5_IN, MSG_WIRE_2_0_IN,
                                 MSG_WIRE_2_5_IN,  MSG_WIRE_3_0_IN, MSG_WIRE_4_0_IN, MSG_WIRE_5_0_IN, MSG_WIRE_6_0_IN};
constexpr uint8_t kWireMm[] = {MSG_WIRE_20_MM, MSG_WIRE_25_MM, MSG_WIRE_30_MM,  MSG_WIRE_40_MM,  MSG_WIRE_50_MM,
                               MSG_WIRE_65_MM, MSG_WIRE_75_MM, MSG_WIRE_100_MM, MSG_WIRE_130_MM, MSG_WIRE_150_MM};
constexpr uint8_t kTerminal[] = {MSG_SPACING, MSG_SERIAL_FLAG, MSG_TERMINATIONS, MSG_ROTATION};
constexpr uint8_t kPatch[] = {MSG_SPACING, MSG_SERIAL_FLAG, MSG_PORTS, MSG_ROTATION};
constexpr uint8_t kFile[] = {MSG_SAVE, MSG_OPEN, MSG_DELETE};
constexpr uint8_t kFonts[] = {MSG_AUTO,     MSG_AUTO_BOLD, MSG_6PT,       MSG_6PT_BOLD, MSG_9PT,
                              MSG_9PT_BOLD, MSG_14PT,      MSG_14PT_BOLD, MSG_20PT,     MSG_20PT_BOLD,
                              MSG_28PT,     MSG_28PT_BOLD, MSG_40PT,      MSG_40PT_BOLD};

// A size list's entry i sets the list's first label type + i.
static_assert(sizeof kFixedInch == LABEL_FIXED_6_0_IN - LABEL_FIXED_1_0_IN + 1);
static_assert(sizeof kFixedMm == LABEL_FIXED_150_MM - LABEL_FIXED_30_MM + 1);
static_assert(sizeof kWireInch == LABEL_WIRE_6_0_IN - LABEL_WIRE_0_75_IN + 1);
static_assert(sizeof kWireMm == LABEL_WIRE_150_MM - LABEL_WIRE_20_MM + 1);

// ---- Main, copies ----

uint8_t main_first() { return st.main_sel; }
bool main_prepare(bool) {
  st.file_action = FILE_SAVE;
  return true;
}

// Copies of an inch terminal block or patch panel label print a serial run:
// not available while its serial is off.
bool copies_prepare(bool) {
  if (lbl_type_is_block_inch(lbl_record()->label_type)) {
    std::memcpy(&st.work_block, lbl_term_block(), sizeof st.work_block);
    if (st.work_block.serial == 0) {
      menu_close();
      msg_popup_show(MSG_NOT_AVAILABLE, 1);
      return false;
    }
  }
  st.fresh_count = 1;
  return true;
}

// The first label type of each size list, in the working units.
uint8_t fixed_first_type() { return st.work_units ? LABEL_FIXED_30_MM : LABEL_FIXED_1_0_IN; }
uint8_t wire_first_type() { return st.work_units ? LABEL_WIRE_20_MM : LABEL_WIRE_0_75_IN; }

// ---- Label type ----

MenuEntries label_type_list() {
  if (cart_is_self_lam()) return entries_of(kTypesSelfLam);
  if (cart_is_sleeve()) return entries_of(kTypesSleeve);
  return entries_of(kTypesPlain);
}
uint8_t label_type_first() { return menu_index_of(lbl_type_caption_id(lbl_record()->label_type)); }
// The label's own type decides the units its size lists start in.
bool label_type_prepare(bool) {
  const uint8_t t = lbl_record()->label_type;
  if (lbl_type_is_inch(t)) st.work_units = 0;
  if (lbl_type_is_metric(t)) st.work_units = 1;
  return true;
}
void label_type_preview() {
  const uint8_t t = lbl_record()->label_type;
  const bool mm = st.work_units != 0;
  switch (menu_selected_entry()) {
    case MSG_BANNER_PORTRAIT:
      st.work_type = LABEL_BANNER_PORTRAIT;
      break;
    case MSG_BANNER_LANDSCAPE:
      st.work_type = LABEL_BANNER_LANDSCAPE;
      break;
    case MSG_FIXED_LENGTH:
      st.work_type = lbl_type_is_fixed(t) ? t : fixed_first_type();
      break;
    case MSG_WIRE:
      if (cart_is_self_lam())
        st.work_type = LABEL_WIRE_SELF_LAM;
      else
        st.work_type = lbl_type_is_wire_size(t) ? t : wire_first_type();
      break;
    case MSG_TERMINAL_BLOCK:
      st.work_type = lbl_block_type(true, mm);
      break;
    case MSG_PATCH_PANEL:
      st.work_type = lbl_block_type(false, mm);
      break;
    default:
      break;
  }
}

// ---- Size lists: fixed lengths and wire sizes, in the working units ----

MenuEntries fixed_list() { return st.work_units ? entries_of(kFixedMm) : entries_of(kFixedInch); }
uint8_t fixed_first() {
  const uint8_t t = lbl_record()->label_type;
  if (lbl_type_is_fixed_inch(t)) return uint8_t(t - LABEL_FIXED_1_0_IN);
  if (lbl_type_is_fixed_mm(t)) return uint8_t(t - LABEL_FIXED_30_MM);
  return 0;
}
bool fixed_prepare(bool) {
  st.work_type = fixed_first_type();
  return true;
}
void fixed_preview() { st.work_type = uint8_t(st.menu_sel + fixed_first_type()); }

MenuEntries wire_list() { return st.work_units ? entries_of(kWireMm) : entries_of(kWireInch); }
uint8_t wire_first() {
  const uint8_t t = lbl_record()->label_type;
  if (lbl_type_is_wire_size_inch(t)) return uint8_t(t - LABEL_WIRE_0_75_IN);
  if (lbl_type_is_wire_size_mm(t)) return uint8_t(t - LABEL_WIRE_20_MM);
  return 0;
}
bool wire_prepare(bool) {
  st.work_type = wire_first_type();
  return true;
}
void wire_preview() { st.work_type = uint8_t(st.menu_sel + wire_first_type()); }

// ---- Barcode, files, language, units, font ----

// Opened from the editor's Func layer, Back goes straight back to it.
bool barcode_back() {
  if (!st.return_to_editor) return false;
  ui_set_mode(MODE_EDITOR);
  st.return_to_editor = 0;
  return true;
}

// The stored name of a file slot, leading "-" skipped; nothing for an empty slot.
void slot_name(uint8_t row, uint8_t slot) {
  LabelRecord stored;
  nvm_load_label_file(slot, &stored);
  if (!lbl_checksum_ok(&stored)) return;
  char name[sizeof stored.file_name + 1] = {};
  std::memcpy(name, stored.file_name, sizeof stored.file_name);
  const char* shown = name;
  while (*shown == '-') ++shown;
  lcd_put_text(row, 24, shown, 0);
}

uint8_t language_first() { return st.language_sel; }
uint8_t units_first() { return st.work_units; }

uint8_t font_first() { return uint8_t(st.work_font * 2 + (lbl_record()->bold ? 1 : 0)); }
void font_preview() {
  st.work_font = uint8_t(st.menu_sel / 2);
  lcd_set_bold_indicator(st.menu_sel % 2 != 0);
}

// ---- The menus ----

const MenuDef kMenus[] = {
    {.id = MENU_MAIN, .entries = entries_of(kMain), .prepare = main_prepare, .first = main_first, .enter = main_enter},
    {.id = MENU_SERIAL, .entries = entries_of(kSerial), .prepare = serial_prepare, .enter = serial_enter},
    {.id = MENU_COPIES, .entries = entries_of(kCopies), .prepare = copies_prepare, .enter = copies_enter},
    {.id = MENU_LABEL_TYPE,
     .choose = label_type_list,
     .prepare = label_type_prepare,
     .first = label_type_first,
     .preview = label_type_preview,
     .enter = label_type_enter,
     .type_icon = true},
    {.id = MENU_BARCODE,
     .entries = entries_of(kBarcode),
     .parent = MENU_MAIN,
     .enter = barcode_enter,
     .back = barcode_back},
    {.id = MENU_FILE_SLOTS,
     .entries = entries_of(kSlots),
     .parent = MENU_FILE,
     .enter = file_slots_enter,
     .decorate = slot_name},
    {.id = MENU_LANGUAGE,
     .entries = entries_of(kLanguages),
     .parent = MENU_MAIN,
     .first = language_first,
     .enter = language_enter},
    {.id = MENU_UNITS, .entries = entries_of(kUnits), .parent = MENU_MAIN, .first = units_first, .enter = units_enter},
    {.id = MENU_FIXED_LENGTH,
     .choose = fixed_list,
     .parent = MENU_LABEL_TYPE,
     .prepare = fixed_prepare,
     .first = fixed_first,
     .preview = fixed_preview,
     .enter = fixed_length_enter},
    {.id = MENU_WIRE_SIZE,
     .choose = wire_list,
     .parent = MENU_LABEL_TYPE,
     .prepare = wire_prepare,
     .first = wire_first,
     .preview = wire_preview,
     .enter = wire_size_enter},
    {.id = MENU_TERMINAL_BLOCK,
     .entries = entries_of(kTerminal),
     .parent = MENU_LABEL_TYPE,
     .prepare = terminal_block_prepare,
     .enter = terminal_block_enter},
    {.id = MENU_PATCH_PANEL,
     .entries = entries_of(kPatch),
     .parent = MENU_LABEL_TYPE,
     .prepare = patch_panel_prepare,
     .enter = patch_panel_enter},
    {.id = MENU_FILE, .entries = entries_of(kFile), .parent = MENU_MAIN, .enter = file_enter},
    {.id = MENU_FONT_SIZE,
     .entries = entries_of(kFonts),
     .first = font_first,
     .preview = font_preview,
     .enter = font_size_enter},
};
}  // namespace

const MenuDef* menu_def(uint8_t id) {
  if (id == MENU_NONE) return nullptr;
  for (const MenuDef& d : kMenus)
    if (d.id == id) return &d;
  return nullptr;
}
