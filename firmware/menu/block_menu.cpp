// The terminal block and patch panel menus: the spacing between the labels
// (two fixed choices of the kind of label, or a custom value that blinks
// while selected), the serial flag, the count of terminations or ports and
// the rotation, edited in a working copy of the label record's block and
// stored with the label type by Enter.
#include <cstring>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/menu/menu_table.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/popup.h"

namespace {
MenuState& st = menu_st;

// The spacing choices of the record's block: two of each kind of label, and
// the custom value, which is typed.
enum : uint8_t {
  SPACING_PATCH_WIDE = 0,       // 0.6 inch / 08 mm
  SPACING_PATCH_NARROW = 1,     // 0.2 inch / 06 mm
  SPACING_TERMINAL_NARROW = 2,  // 0.2 inch / 06 mm
  SPACING_TERMINAL_WIDE = 3,    // 0.6 inch / 08 mm
  SPACING_CUSTOM = 4,
};
constexpr uint8_t kMinSpacingInch = 2, kMinSpacingMm = 6;
constexpr int kSpacingBarX = 87;     // the spacing value's highlight: 87..127
constexpr uint8_t kBlinkTicks = 50;  // flips on the 52nd tick

// The record's block, brought to the defaults of the menu's kind of label:
// a terminal block starts from its narrow spacing rotated, a patch panel
// from its wide spacing.
void prepare_block(bool terminal) {
  std::memcpy(&st.work_block, lbl_term_block(), sizeof st.work_block);
  MenuTermBlock& b = st.work_block;
  const uint8_t minimum = st.work_units ? kMinSpacingMm : kMinSpacingInch;
  if (b.custom_spacing < minimum) b.custom_spacing = minimum;
  if (b.count == 0) b.count = 1;
  if (terminal && (b.spacing_choice == SPACING_PATCH_WIDE || b.spacing_choice == SPACING_PATCH_NARROW)) {
    b.spacing_choice = SPACING_TERMINAL_NARROW;
    b.rotation = 1;
    b.count = 1;
  }
  if (!terminal && (b.spacing_choice == SPACING_TERMINAL_NARROW || b.spacing_choice == SPACING_TERMINAL_WIDE)) {
    b.spacing_choice = SPACING_PATCH_WIDE;
    b.rotation = 0;
    b.count = 1;
  }
  st.work_block_serial = b.serial;
  st.work_copies = lbl_record()->copies;
  st.fresh_count = st.fresh_spacing = 1;
}

// Enter: a custom spacing below 2 is refused and the menu stays with its
// working copies; otherwise the block and the label type are stored.
bool enter_block(bool terminal) {
  if (st.work_block.custom_spacing < kMinSpacingInch) {
    st.drawn_menu_id = 0;
    st.reload_work = 0;
    msg_popup_show(MSG_ERROR, 1);
    return false;
  }
  st.work_block.serial = st.work_block_serial;
  lbl_set_term_block(reinterpret_cast<const uint8_t*>(&st.work_block));
  lbl_set_type(lbl_block_type(terminal, st.work_units != 0));
  menu_close();
  return true;
}
}  // namespace

bool terminal_block_prepare(bool) {
  prepare_block(true);
  return true;
}
bool patch_panel_prepare(bool) {
  prepare_block(false);
  return true;
}
bool terminal_block_enter() { return enter_block(true); }
bool patch_panel_enter() { return enter_block(false); }

// The spacing as shown: tenths of an inch as "0.6"" (separator "," outside
// English) or millimetres as "08mm".
void spacing_draw(uint8_t row) {
  const MenuTermBlock& b = st.work_block;
  uint8_t v;
  switch (b.spacing_choice) {
    case SPACING_PATCH_WIDE:
    case SPACING_TERMINAL_WIDE:
      v = st.work_units ? 8 : 6;
      break;
    case SPACING_PATCH_NARROW:
    case SPACING_TERMINAL_NARROW:
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

// One step of the spacing choice around the ring of the menu's kind.
bool spacing_step(int delta) {
  static constexpr uint8_t kTerminalRing[] = {SPACING_TERMINAL_NARROW, SPACING_TERMINAL_WIDE, SPACING_CUSTOM};
  static constexpr uint8_t kPatchRing[] = {SPACING_PATCH_WIDE, SPACING_PATCH_NARROW, SPACING_CUSTOM};
  const uint8_t* ring = st.menu_id == MENU_TERMINAL_BLOCK ? kTerminalRing : kPatchRing;
  uint8_t& choice = st.work_block.spacing_choice;
  int at = -1;
  for (int i = 0; i < 3; ++i)
    if (ring[i] == choice) at = i;
  choice = at < 0 ? ring[0] : ring[(at + 3 + delta) % 3];
  return true;
}

// Digits roll into the custom spacing while it is the choice.
bool spacing_type(uint8_t key) {
  if (!is_digit_key(key) || st.work_block.spacing_choice != SPACING_CUSTOM) return false;
  roll_digit(st.work_block.custom_spacing, st.fresh_spacing, uint8_t(key - KEY_0));
  return true;
}

void spacing_highlight(uint8_t row) {
  lcd_invert_line(row, kSpacingBarX, kRowEnd);
  st.blink_state = 2;
  st.blink_ticks = 0;
}

// The custom spacing value blinks while its entry is selected: shown and
// blanked in turn every 52 ticks.
void spacing_blink(uint8_t row) {
  if (st.blink_state == 0 || st.work_block.spacing_choice != SPACING_CUSTOM) return;
  const uint8_t t = st.blink_ticks++;
  if (t <= kBlinkTicks) return;
  st.blink_ticks = 0;
  st.blink_state = st.blink_state == 2 ? 1 : 2;
  lcd_put_text(row, kValueClearX, "", 0);
  if (st.blink_state == 2) spacing_draw(row);
  lcd_draw_scrollbar(st.menu_count, st.menu_sel);
  lcd_invert_line(row, kSpacingBarX, kRowEnd);
  lcd_flush_line(row);
}
