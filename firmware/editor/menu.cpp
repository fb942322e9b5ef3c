// The menu engine. Each tick in mode 3 (or 8, while an entry scrolls) it
// takes one key, or builds the open menu when it changed: the list of
// entries, the initial selection and the working copies the menu edits.
// Three rows show at a time; Down and Up wrap at the ends, the selection
// keeps to the third row while the list scrolls down. The status line
// previews the label type and font size the menu is about to set.
#include "firmware/editor/menu.h"

#include <cstring>

#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/menu_state.h"
#include "firmware/editor/messages.h"
#include "firmware/editor/settings.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/marquee.h"
#include "firmware/screens/popup.h"
#include "host/cartridge.h"
#include "host/keys.h"
#include "host/mirror.h"

namespace {
// The menus' entries, as message ids.
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
constexpr uint8_t kFirstFixedInch = LABEL_FIXED_1_0_IN, kFirstFixedMm = LABEL_FIXED_30_MM;
constexpr uint8_t kFirstWireInch = LABEL_WIRE_0_75_IN, kFirstWireMm = LABEL_WIRE_20_MM;

constexpr int kRows = 3;
constexpr int kValueClearX = 82;  // values clear their row from here
constexpr int kValueX = 91;
constexpr int kRowEnd = 128;      // a highlighted row: columns 0..127
constexpr int kSpacingBarX = 87;  // the spacing value's highlight: 87..127
constexpr int kRoomWithValue = 82, kRoomAlone = 128;
constexpr uint8_t kBlinkTicks = 50;  // flips on the 52nd tick

MenuState st;

template <size_t N>
void set_items(const uint8_t (&items)[N]) {
  st.menu_items = items;
  st.menu_count = uint8_t(N);
}

uint8_t* serial_bytes() { return reinterpret_cast<uint8_t*>(&st.work_serial); }

bool is_digit_key(uint8_t key) { return key >= KEY_0 && key <= KEY_9; }

// The serial menu's end value and its class's letter base.
bool serial_is_digits() { return st.work_serial.cls == SER_CLASS_DIGITS; }
uint8_t serial_base() { return st.work_serial.cls == SER_CLASS_LOWER ? 'a' : 'A'; }
bool in_serial_class(uint16_t c) {
  if (serial_is_digits()) return c >= '0' && c <= '9';
  return c >= serial_base() && c <= serial_base() + 25;
}

// Two-digit entry: the first digit after opening replaces the value, later
// ones shift in from the right.
template <typename T>
void roll_digit(T& value, uint8_t& fresh, uint8_t digit) {
  if (fresh) {
    fresh = 0;
    value = T(digit);
  } else {
    value = T((value % 10) * 10 + digit);
  }
}

template <typename T>
bool step_within(T& value, int delta, int low, int high) {
  const int v = int(value) + delta;
  if (v < low || v > high) return false;
  value = T(v);
  return true;
}

// ---- Building ----

// The serial menu's extra steps: the serial before the cursor and the end
// value proposed from it. False when the menu closed.
bool build_serial(bool fresh) {
  const uint16_t last = ser_parse_at_cursor(serial_bytes());
  if (last == 0) {
    menu_close();
    msg_popup_show(MSG_ERROR, 1);
    return false;
  }
  st.work_serial.last_char = last;
  std::memset(st.work_serial.end_text, 0, sizeof st.work_serial.end_text);
  if (!ser_format_end(serial_bytes())) {
    menu_close();
    msg_popup_show(MSG_ERROR, 1);
    return false;
  }
  if (fresh) st.fresh_increment = st.fresh_end = st.fresh_count = 1;
  return true;
}

// Terminal block (14) and patch panel (15): the record's block, brought to
// the defaults of the menu's kind of label.
void build_block(bool terminal) {
  const LabelRecord* r = lbl_record();
  std::memcpy(&st.work_block, lbl_term_block(), sizeof st.work_block);
  MenuTermBlock& b = st.work_block;
  const uint8_t minimum = st.work_units ? 6 : 2;
  if (b.custom_spacing < minimum) b.custom_spacing = minimum;
  if (b.count == 0) b.count = 1;
  if (terminal && (b.spacing_choice == 0 || b.spacing_choice == 1)) {
    b.spacing_choice = 2;
    b.rotation = 1;
    b.count = 1;
  }
  if (!terminal && (b.spacing_choice == 2 || b.spacing_choice == 3)) {
    b.spacing_choice = 0;
    b.rotation = 0;
    b.count = 1;
  }
  st.work_block_serial = b.serial;
  st.work_copies = r->copies;
  st.fresh_count = st.fresh_spacing = 1;
}

void set_label_type_list() {
  if (cart_is_self_lam())
    set_items(kTypesSelfLam);
  else if (cart_is_sleeve())
    set_items(kTypesSleeve);
  else
    set_items(kTypesPlain);
}

uint8_t index_of(uint8_t id) {
  for (uint8_t i = 0; i < st.menu_count; ++i)
    if (st.menu_items[i] == id) return i;
  return 0;
}

// Builds the open menu; false when it closed instead (a serial menu without
// a serial, a copies menu that is not available, an unknown menu).
bool build() {
  const LabelRecord* r = lbl_record();
  if (st.reload_work) {
    st.work_type = r->label_type;
    st.work_font = r->font_size;
    st.work_units = r->units;
  }
  const bool fresh = st.menu_id != st.drawn_menu_id;
  uint8_t sel = 0;
  switch (st.menu_id) {
    case MENU_MAIN:
      set_items(kMain);
      sel = st.main_sel;
      st.file_action = 0;
      break;
    case MENU_SERIAL:
      set_items(kSerial);
      if (!build_serial(fresh)) return false;
      break;
    case MENU_COPIES:
      set_items(kCopies);
      if (lbl_type_is_block_inch(r->label_type)) {
        std::memcpy(&st.work_block, lbl_term_block(), sizeof st.work_block);
        if (st.work_block.serial == 0) {
          menu_close();
          msg_popup_show(MSG_NOT_AVAILABLE, 1);
          return false;
        }
      }
      st.fresh_count = 1;
      break;
    case MENU_LABEL_TYPE:
      set_label_type_list();
      sel = index_of(lbl_type_caption_id(r->label_type));
      if (lbl_type_is_inch(r->label_type)) st.work_units = 0;
      if (lbl_type_is_metric(r->label_type)) st.work_units = 1;
      break;
    case MENU_BARCODE:
      set_items(kBarcode);
      break;
    case MENU_FILE_SLOTS:
      set_items(kSlots);
      break;
    case MENU_LANGUAGE:
      set_items(kLanguages);
      sel = st.language_sel;
      break;
    case MENU_UNITS:
      set_items(kUnits);
      sel = st.work_units;
      break;
    case MENU_FIXED_LENGTH: {
      const uint8_t t = r->label_type;
      if (st.work_units)
        set_items(kFixedMm);
      else
        set_items(kFixedInch);
      sel = lbl_type_is_fixed_inch(t) ? uint8_t(t - kFirstFixedInch)
            : lbl_type_is_fixed_mm(t) ? uint8_t(t - kFirstFixedMm)
                                      : 0;
      st.work_type = st.work_units ? kFirstFixedMm : kFirstFixedInch;
      break;
    }
    case MENU_WIRE_SIZE: {
      const uint8_t t = r->label_type;
      if (st.work_units)
        set_items(kWireMm);
      else
        set_items(kWireInch);
      sel = lbl_type_is_wire_size_inch(t) ? uint8_t(t - kFirstWireInch)
            : lbl_type_is_wire_size_mm(t) ? uint8_t(t - kFirstWireMm)
                                          : 0;
      st.work_type = st.work_units ? kFirstWireMm : kFirstWireInch;
      break;
    }
    case MENU_TERMINAL_BLOCK:
      set_items(kTerminal);
      build_block(true);
      break;
    case MENU_PATCH_PANEL:
      set_items(kPatch);
      build_block(false);
      break;
    case MENU_FILE:
      set_items(kFile);
      break;
    case MENU_FONT_SIZE:
      set_items(kFonts);
      sel = uint8_t(st.work_font * 2 + (r->bold ? 1 : 0));
      break;
    default:  // no such menu
      menu_close();
      return false;
  }
  // A redraw forced by a change of the increment keeps the bar where it is,
  // so that the second digit of the increment goes where the first went.
  if (!fresh && st.menu_sel < st.menu_count) return true;
  // A selection from stored data that lies beyond the list starts at the top.
  if (sel >= st.menu_count) sel = 0;
  st.menu_sel = sel;
  st.menu_top = sel < kRows ? 0 : uint8_t(sel - 2);
  return true;
}

// ---- Drawing ----

void put_two_digits(uint8_t row, unsigned value) {
  uint8_t text[3];
  num_format_fixed(uint16_t(value), text, 2);
  lcd_put_text(row, kValueX, text, 0);
}

// The spacing as shown: tenths of an inch as "0.6"" (separator "," outside
// English) or millimetres as "08mm".
void put_spacing(uint8_t row) {
  const MenuTermBlock& b = st.work_block;
  uint8_t v;
  switch (b.spacing_choice) {
    case 0:
    case 3:
      v = st.work_units ? 8 : 6;
      break;
    case 1:
    case 2:
      v = st.work_units ? 6 : 2;
      break;
    default:
      v = b.custom_spacing;
      break;
  }
  uint8_t text[5];
  if (st.work_units) {
    num_format_fixed(v, text, 2);
    text[2] = 'm';
    text[3] = 'm';
  } else {
    text[0] = uint8_t('0' + v / 10 % 10);
    text[1] = sys_language() == LANG_ENGLISH ? '.' : ',';
    text[2] = uint8_t('0' + v % 10);
    text[3] = '"';
  }
  text[4] = 0;
  lcd_put_text(row, kValueX, text, 0);
}

// The "Start:" and "End:" rows: the window drawn right after the caption,
// with the serial's characters (9 dots each, ending at the cursor) inverted
// when `highlight`.
void draw_serial_window(uint8_t row, uint8_t caption, bool highlight) {
  uint16_t text[MENU_SERIAL_WINDOW_MAX];
  int place = 0, marked = 0;
  menu_serial_window(caption, text, &place, &marked);
  const int x0 = 9 * int(std::strlen(msg_text(caption)));
  lcd_put_text16(row, x0, text);
  if (highlight) {
    int cursor_x = x0;
    for (int i = 0; i < place; ++i) cursor_x += font_glyph_width(1, 0, text[i]);
    const int from = cursor_x - 9 * marked;
    lcd_invert_line(row, from > 0 ? from : 0, cursor_x);
  }
}

// The value field of an entry, when it has one. True when it drew one.
bool draw_value(uint8_t row, uint8_t id) {
  switch (id) {
    case MSG_INCREMENT_BY:
    case MSG_COPIES:
    case MSG_TERMINATIONS:
    case MSG_PORTS:
    case MSG_SERIAL_FLAG:
    case MSG_SPACING:
    case MSG_ROTATION:
    case MSG_START:
    case MSG_END:
      break;
    default:
      return false;
  }
  lcd_put_text(row, kValueClearX, "", 0);
  switch (id) {
    case MSG_INCREMENT_BY:
      put_two_digits(row, st.work_serial.increment);
      break;
    case MSG_COPIES:
      put_two_digits(row, st.work_copies);
      break;
    case MSG_TERMINATIONS:
    case MSG_PORTS:
      put_two_digits(row, st.work_block.count);
      break;
    case MSG_SERIAL_FLAG:
      lcd_put_text(row, kValueX, msg_text(st.work_block_serial ? MSG_ON : MSG_OFF), 0);
      break;
    case MSG_SPACING:
      put_spacing(row);
      break;
    case MSG_ROTATION:
      lcd_draw_type_preview(st.work_block.rotation);
      break;
    default:  // "Start:", "End:"
      draw_serial_window(row, id, false);
      break;
  }
  return true;
}

// The stored name of a file slot, leading "-" skipped; nothing for an empty slot.
void draw_slot_name(uint8_t row, uint8_t slot) {
  LabelRecord stored;
  nvm_load_label_file(slot, &stored);
  if (!lbl_checksum_ok(&stored)) return;
  char name[sizeof stored.file_name + 1] = {};
  std::memcpy(name, stored.file_name, sizeof stored.file_name);
  const char* shown = name;
  while (*shown == '-') ++shown;
  lcd_put_text(row, 24, shown, 0);
}

// ---- Moving ----

// The status line follows the selection: label type and font size that Enter
// would set.
void update_preview() {
  const uint8_t id = menu_selected_entry();
  const uint8_t t = lbl_record()->label_type;
  switch (st.menu_id) {
    case MENU_LABEL_TYPE:
      switch (id) {
        case MSG_BANNER_PORTRAIT:
          st.work_type = LABEL_BANNER_PORTRAIT;
          break;
        case MSG_BANNER_LANDSCAPE:
          st.work_type = LABEL_BANNER_LANDSCAPE;
          break;
        case MSG_FIXED_LENGTH:
          st.work_type = lbl_type_is_fixed(t) ? t : st.work_units ? kFirstFixedMm : kFirstFixedInch;
          break;
        case MSG_WIRE:
          st.work_type = cart_is_self_lam()         ? uint8_t(LABEL_WIRE_SELF_LAM)
                         : lbl_type_is_wire_size(t) ? t
                         : st.work_units            ? kFirstWireMm
                                                    : kFirstWireInch;
          break;
        case MSG_TERMINAL_BLOCK:
          st.work_type = lbl_block_type(true, st.work_units != 0);
          break;
        case MSG_PATCH_PANEL:
          st.work_type = lbl_block_type(false, st.work_units != 0);
          break;
        default:
          break;
      }
      break;
    case MENU_FIXED_LENGTH:
      st.work_type = uint8_t(st.menu_sel + (st.work_units ? kFirstFixedMm : kFirstFixedInch));
      break;
    case MENU_WIRE_SIZE:
      st.work_type = uint8_t(st.menu_sel + (st.work_units ? kFirstWireMm : kFirstWireInch));
      break;
    case MENU_FONT_SIZE:
      st.work_font = uint8_t(st.menu_sel / 2);
      lcd_set_bold_indicator(st.menu_sel % 2 != 0);
      break;
    default:
      break;
  }
}

// ---- Values ----

// The end value of the serial menu, one step up or down: digits 1..999;
// letters up to ZZZ and not below one above the serial's last letter.
bool step_end(int delta) {
  uint8_t* e = st.work_serial.end_text;
  if (serial_is_digits()) {
    uint16_t v = num_parse_fixed(e, 3);
    if (!step_within(v, delta, 1, SER_MAX_DIGITS)) return false;
    num_format_fixed(v, e, 3);
    return true;
  }
  const uint8_t base = serial_base();
  const uint16_t v = serial_trailing_letters(e, 3, base);
  const int current = v == 0xFFFF ? -1 : int(v);  // no letters at all
  const int last = int(st.work_serial.last_char) - base;
  const int lowest = last >= 0 && last <= 25 ? last + 1 : 0;
  const int next = current + delta;
  if (next > SER_MAX_LETTERS || next < 0 || (delta < 0 && next < lowest)) return false;
  serial_format_letters(e, uint16_t(next), base);
  e[3] = 0;
  return true;
}

// One step of the spacing choice around the ring of the menu's kind.
void step_spacing(int delta) {
  static constexpr uint8_t kTerminalRing[] = {2, 3, 4};
  static constexpr uint8_t kPatchRing[] = {0, 1, 4};
  const uint8_t* ring = st.menu_id == MENU_TERMINAL_BLOCK ? kTerminalRing : kPatchRing;
  uint8_t& choice = st.work_block.spacing_choice;
  int at = -1;
  for (int i = 0; i < 3; ++i)
    if (ring[i] == choice) at = i;
  choice = at < 0 ? ring[0] : ring[(at + 3 + delta) % 3];
}

// Right (+1) and Left (-1) on the selected entry; true when a value changed.
bool step_value(int delta) {
  const uint8_t id = menu_selected_entry();
  if (st.menu_id == MENU_TERMINAL_BLOCK || st.menu_id == MENU_PATCH_PANEL) {
    switch (id) {
      case MSG_SERIAL_FLAG:
        st.work_block_serial = st.work_block_serial ? 0 : 1;
        return true;
      case MSG_ROTATION:
        st.work_block.rotation = st.work_block.rotation ? 0 : 1;
        return true;
      case MSG_TERMINATIONS:
      case MSG_PORTS:
        return step_within(st.work_block.count, delta, 1, 99);
      case MSG_SPACING:
        step_spacing(delta);
        return true;
      default:
        return false;
    }
  }
  switch (id) {
    case MSG_INCREMENT_BY:
      if (!step_within(st.work_serial.increment, delta, 1, 99)) return false;
      st.force_redraw = 1;  // the end value follows the increment
      return true;
    case MSG_COPIES:
      return step_within(st.work_copies, delta, 1, 99);
    case MSG_END:
      return step_end(delta);
    default:
      return false;
  }
}

// Typing into the end value: digits for a digit serial, letters (Space as a
// blank "_") for a letter serial. The first key after opening clears the
// two places before it.
bool type_end(uint8_t key) {
  uint8_t c;
  if (serial_is_digits()) {
    if (!is_digit_key(key)) return false;
    c = uint8_t('0' + (key - KEY_0));
  } else if (key == KEY_SPACE) {
    c = '_';
  } else if (key >= KEY_A && key <= KEY_Z) {
    c = uint8_t(serial_base() + (key - KEY_A));
  } else {
    return false;
  }
  uint8_t* e = st.work_serial.end_text;
  if (st.fresh_end) {
    st.fresh_end = 0;
    e[0] = e[1] = serial_is_digits() ? '0' : '_';
  } else {
    e[0] = e[1];
    e[1] = e[2];
  }
  e[2] = c;
  e[3] = 0;
  return true;
}

// Digits and letters typed into the selected entry; true when a value changed.
bool type_key(uint8_t key) {
  const uint8_t id = menu_selected_entry();
  if (is_digit_key(key)) {
    const uint8_t d = uint8_t(key - KEY_0);
    switch (id) {
      case MSG_INCREMENT_BY:
        roll_digit(st.work_serial.increment, st.fresh_increment, d);
        st.force_redraw = 1;  // the end value follows the increment
        return true;
      case MSG_COPIES:
        roll_digit(st.work_copies, st.fresh_count, d);
        return true;
      case MSG_TERMINATIONS:
      case MSG_PORTS:
        roll_digit(st.work_block.count, st.fresh_count, d);
        return true;
      default:
        break;
    }
  }
  if (id == MSG_END && key >= KEY_SPACE && key <= KEY_Z) return type_end(key);
  if ((st.menu_id == MENU_TERMINAL_BLOCK || st.menu_id == MENU_PATCH_PANEL) && id == MSG_SPACING && is_digit_key(key) &&
      st.work_block.spacing_choice == 4) {
    roll_digit(st.work_block.custom_spacing, st.fresh_spacing, uint8_t(key - KEY_0));
    return true;
  }
  return false;
}

void back() {
  switch (st.menu_id) {
    case MENU_BARCODE:
      if (st.return_to_editor) {
        ui_set_mode(MODE_EDITOR);
        st.return_to_editor = 0;
      } else {
        menu_open(MENU_MAIN);
      }
      break;
    case MENU_LANGUAGE:
    case MENU_UNITS:
    case MENU_FILE:
      menu_open(MENU_MAIN);
      break;
    case MENU_FILE_SLOTS:
      menu_open(MENU_FILE);
      break;
    case MENU_FIXED_LENGTH:
    case MENU_WIRE_SIZE:
    case MENU_TERMINAL_BLOCK:
    case MENU_PATCH_PANEL:
      menu_open(MENU_LABEL_TYPE);
      break;
    default:
      menu_close();
      break;
  }
}

// The row on which the "Spacing:" entry shows, or -1.
int spacing_row() {
  for (int r = 0; r < kRows && st.menu_top + r < st.menu_count; ++r)
    if (st.menu_items[st.menu_top + r] == MSG_SPACING) return r;
  return -1;
}

// The custom spacing value blinks while its entry is selected: shown and
// blanked in turn every 52 ticks.
void blink() {
  if (st.blink_state == 0 || st.work_block.spacing_choice != 4 || st.menu_items == nullptr) return;
  const int row = spacing_row();
  if (row < 0) return;
  const uint8_t t = st.blink_ticks++;
  if (t <= kBlinkTicks) return;
  st.blink_ticks = 0;
  st.blink_state = st.blink_state == 2 ? 1 : 2;
  lcd_put_text(uint8_t(row), kValueClearX, "", 0);
  if (st.blink_state == 2) put_spacing(uint8_t(row));
  lcd_draw_scrollbar(st.menu_count, st.menu_sel);
  lcd_invert_line(uint8_t(row), kSpacingBarX, kRowEnd);
  lcd_flush_line(uint8_t(row));
}
}  // namespace

// The serial window: the current line around its cursor in the room the
// caption leaves (13 characters in all), "End:" with the serial before the
// cursor replaced by the end value.
int menu_serial_window(uint8_t caption, uint16_t* text, int* cursor_place, int* marked) {
  const int k = int(std::strlen(msg_text(caption)));
  const int n = k < 13 ? 13 - k : 1;
  const int room = 9 * n;
  const LabelRecord* r = lbl_record();
  const LabelLine& ln = r->lines[r->current_line < LBL_MAX_LINES ? r->current_line : 0];
  const int length = ln.length <= LBL_MAX_CHARS ? ln.length : LBL_MAX_CHARS;
  const int c = ln.cursor <= length ? ln.cursor : length;

  int start, end;
  if (length <= n) {
    start = 0, end = length;
  } else if (c == length) {
    start = length - n, end = length;
  } else if (c >= n - 1) {
    start = c - (n - 1), end = c + 1;
  } else {
    start = 0, end = n;
  }
  // Too wide in the bold small font: give way after the cursor first, then
  // before it, so that the characters just before the cursor stay in view.
  while (end > start && font_text_width(ln.cells + start, uint8_t(end - start)) > room) {
    if (end > c)
      --end;
    else
      ++start;
  }

  int len = 0;
  int place = c - start;
  const int width = end > start ? font_text_width(ln.cells + start, uint8_t(end - start)) : 0;
  int pad = 0;
  if (width + 18 <= room)
    pad = 2;
  else if (place < 3)
    pad = 3 - place;
  for (int i = 0; i < pad; ++i) text[len++] = ' ';
  for (int i = start; i < end; ++i) text[len++] = ln.cells[i];
  place += pad;

  int serial = 0;  // serial characters just before the cursor, at most 3
  while (serial < 3 && place - serial > 0 && in_serial_class(text[place - serial - 1])) ++serial;
  int shown = serial;

  if (caption == MSG_END) {
    const uint8_t* e = st.work_serial.end_text;
    int first = 0;
    while (first < 3 && (e[first] == '0' || e[first] == '_')) ++first;
    const int elen = 3 - first;
    // The end value sits right-aligned at the cursor: blanks fill the
    // serial's places when it is shorter, and a longer one pushes the text
    // before it off the left.
    uint16_t out[MENU_SERIAL_WINDOW_MAX];
    int olen = 0;
    const int prefix = place - serial;
    const int drop = elen > serial ? (elen - serial < prefix ? elen - serial : prefix) : 0;
    for (int i = drop; i < prefix; ++i) out[olen++] = text[i];
    for (int i = elen; i < serial; ++i) out[olen++] = ' ';
    for (int i = first; i < 3; ++i) out[olen++] = e[i];
    const int new_place = olen;
    for (int i = place; i < len; ++i) out[olen++] = text[i];
    std::memcpy(text, out, sizeof(uint16_t) * size_t(olen));
    len = olen;
    place = new_place;
    shown = elen > serial ? elen : serial;
  }
  text[len] = 0;
  *cursor_place = place;
  *marked = shown;
  return len;
}

MenuState& menu_state() { return st; }

uint8_t menu_selected_entry() {
  if (st.menu_items == nullptr || st.menu_sel >= st.menu_count) return 0;
  return st.menu_items[st.menu_sel];
}

void menu_init() {
  st = MenuState{};
  st.menu_id = st.drawn_menu_id = 0;
  st.work_copies = 1;
  st.work_serial.increment = 1;
  st.work_units = 0;
  st.reload_work = 1;
  st.fresh_increment = st.fresh_end = st.fresh_count = st.fresh_spacing = 1;
  st.force_redraw = st.return_to_editor = 0;
  st.blink_state = st.blink_ticks = 0;
}

void menu_open(uint8_t id) {
  st.menu_id = id;
  st.drawn_menu_id = 0;
}

void menu_open_for_key(uint8_t key) {
  uint8_t id;
  switch (key) {
    case KEY_MENU:
      id = MENU_MAIN;
      break;
    case KEY_LABEL:
      id = MENU_LABEL_TYPE;
      break;
    case KEY_FONT:
      id = MENU_FONT_SIZE;
      break;
    default:
      return;
  }
  menu_open(id);
  ui_set_mode(MODE_MENU);
}

void menu_close() {
  st.menu_id = st.drawn_menu_id = 0;
  st.reload_work = 1;
  ui_set_mode(MODE_EDITOR);
}

uint8_t menu_current_id() { return st.menu_id; }
void menu_set_return_to_editor(uint8_t on) { st.return_to_editor = on; }
uint8_t menu_return_to_editor() { return st.return_to_editor; }

void menu_next() {
  if (st.menu_count == 0) return;
  if (st.menu_sel < st.menu_count - 1) {
    if (st.menu_sel >= 2) ++st.menu_top;
    ++st.menu_sel;
  } else {
    st.menu_sel = st.menu_top = 0;
  }
  update_preview();
}

void menu_prev() {
  if (st.menu_count == 0) return;
  if (st.menu_sel > 0) {
    --st.menu_sel;
    if (st.menu_top > 0) --st.menu_top;
  } else {
    st.menu_sel = uint8_t(st.menu_count - 1);
    if (st.menu_count > kRows) st.menu_top = uint8_t(st.menu_count - kRows);
  }
  update_preview();
}

void menu_value_up() { step_value(+1); }
void menu_value_down() { step_value(-1); }

void menu_draw() {
  lcd_clear_text();
  bool any_value = false;
  for (int r = 0; r < kRows && st.menu_top + r < st.menu_count; ++r) {
    const uint8_t id = st.menu_items[st.menu_top + r];
    lcd_put_text(uint8_t(r), 0, msg_text(id), 0);
    if (draw_value(uint8_t(r), id)) any_value = true;
    if (st.menu_id == MENU_FILE_SLOTS) draw_slot_name(uint8_t(r), uint8_t(st.menu_top + r));
  }

  const uint8_t selected = menu_selected_entry();
  const uint8_t row = uint8_t(st.menu_sel - st.menu_top);
  if (st.menu_count > 0 && row < kRows) {
    marquee_start(selected, row, any_value ? kRoomWithValue : kRoomAlone);
    switch (selected) {
      case MSG_SPACING:
        lcd_invert_line(row, kSpacingBarX, kRowEnd);
        st.blink_state = 2;
        st.blink_ticks = 0;
        break;
      case MSG_START:
      case MSG_END:
        draw_serial_window(row, selected, true);
        st.blink_state = 0;
        break;
      case MSG_INCREMENT_BY:
        lcd_invert_line(row, kValueX, kValueX + 18);
        st.blink_state = 0;
        break;
      default:
        lcd_invert_line(row, 0, kRowEnd);
        st.blink_state = 0;
        break;
    }
  }

  lcd_draw_scrollbar(st.menu_count, st.menu_sel);
  lcd_clear_status();
  lcd_draw_label_type(st.work_type, st.menu_id == MENU_LABEL_TYPE);
  lcd_draw_size_icon(st.work_font);
  lcd_draw_rule();
  lcd_flush();
}

void menu_key(uint8_t key) {
  if (func_is_active()) {
    func_after_key();
    if (key == KEY_SPACE) {
      mirror_toggle_background();
      return;
    }
  }
  bool changed = type_key(key);
  switch (key) {
    case KEY_DELETE:
      back();
      break;
    case KEY_ENTER:
      menu_action();
      break;
    case KEY_UP:
      menu_prev();
      if (menu_selected_entry() == MSG_START) menu_prev();  // shown, never selected
      changed = true;
      break;
    case KEY_DOWN:
      menu_next();
      if (menu_selected_entry() == MSG_START) menu_next();
      changed = true;
      break;
    case KEY_RIGHT:
      changed = step_value(+1) || changed;
      break;
    case KEY_LEFT:
      changed = step_value(-1) || changed;
      break;
    default:
      break;
  }
  menu_open_for_key(key);
  if (changed && st.menu_count > 0) menu_draw();
}

void menu_task() {
  const uint8_t key = kbd_get_key();
  const uint8_t mode = ui_get_mode();
  if (mode != MODE_MENU && ui_get_prev_mode() != MODE_MENU) return;
  if (cart_get_id() == CART_NONE) {
    menu_close();
    msg_popup_show(MSG_INSERT_LABELS, 1);
    return;
  }
  // A key that arrives before a newly opened menu is built waits a tick, so
  // that it acts on the list the user sees.
  if (key != KEY_NONE && st.menu_id == st.drawn_menu_id) {
    kbd_clear_key();
    menu_key(key);
  } else if (st.menu_id != st.drawn_menu_id || st.force_redraw) {
    if (!build()) return;
    menu_draw();
    st.drawn_menu_id = st.menu_id;
    st.force_redraw = 0;
  }
  const uint8_t now = ui_get_mode();
  if (now == MODE_MENU || (now == MODE_MARQUEE && ui_get_prev_mode() == MODE_MENU)) blink();
}

uint16_t ser_parse_at_cursor(uint8_t block[12]) {
  MenuSerialBlock b;
  std::memcpy(&b, block, sizeof b);
  const LabelRecord* r = lbl_record();
  const uint8_t line = r->current_line < LBL_MAX_LINES ? r->current_line : 0;
  const LabelLine& ln = r->lines[line];
  uint8_t c = ln.cursor <= LBL_MAX_CHARS ? ln.cursor : LBL_MAX_CHARS;
  if (line == 0 && r->barcode_type != 0 && r->barcode_active && c == r->barcode_start) c = 0;

  // Three of the previous class's largest character before the cursor: the
  // serial is at its end already.
  if (c > 2) {
    const uint16_t largest = b.cls == SER_CLASS_UPPER ? 'Z' : b.cls == SER_CLASS_LOWER ? 'z' : '9';
    if (ln.cells[c - 1] == largest && ln.cells[c - 2] == largest && ln.cells[c - 3] == largest) return 0;
  }
  if (c == 0) return 0;
  const uint16_t last = ln.cells[c - 1];
  uint16_t maximum;
  if (last >= '0' && last <= '9') {
    b.cls = SER_CLASS_DIGITS;
    maximum = SER_MAX_DIGITS;
  } else if (last >= 'A' && last <= 'Z') {
    b.cls = SER_CLASS_UPPER;
    maximum = SER_MAX_LETTERS;
  } else if (last >= 'a' && last <= 'z') {
    b.cls = SER_CLASS_LOWER;
    maximum = SER_MAX_LETTERS;
  } else {
    return 0;
  }
  b.start = ser_value_at(uint8_t(c - 1), b.cls);
  std::memcpy(block, &b, sizeof b);
  return b.start == maximum ? 0 : last;
}
