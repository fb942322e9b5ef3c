// Value entry: the entries that carry a value right of their text, one row
// each in the field table, with how the value is drawn, stepped with Right
// and Left, typed, and highlighted. The counts are two-digit fields: Right
// and Left step within 1..99, digits roll in from the right (the first digit
// after opening replaces the value), so a typed 00 is taken as typed.
#include "firmware/display/lcd.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/menu/menu_table.h"
#include "firmware/print/serial_text.h"

namespace {
MenuState& st = menu_st;

constexpr int kMaxCount = 99;

bool digit_of(uint8_t key, uint8_t* d) {
  if (!is_digit_key(key)) return false;
  *d = uint8_t(key - KEY_0);
  return true;
}

// "Increment By:": the end value follows the increment, so every change
// rebuilds the serial menu.
void increment_draw(uint8_t row) { put_two_digits(row, st.work_serial.increment); }
bool increment_step(int delta) {
  if (!step_within(st.work_serial.increment, delta, 1, kMaxCount)) return false;
  st.force_redraw = 1;
  return true;
}
bool increment_type(uint8_t key) {
  uint8_t d;
  if (!digit_of(key, &d)) return false;
  roll_digit(st.work_serial.increment, st.fresh_increment, d);
  st.force_redraw = 1;
  return true;
}
void increment_highlight(uint8_t row) { lcd_invert_line(row, kValueX, kValueX + 18); }

// "Copies:".
void copies_draw(uint8_t row) { put_two_digits(row, st.work_copies); }
bool copies_step(int delta) { return step_within(st.work_copies, delta, 1, kMaxCount); }
bool copies_type(uint8_t key) {
  uint8_t d;
  if (!digit_of(key, &d)) return false;
  roll_digit(st.work_copies, st.fresh_count, d);
  return true;
}

// "# of Terminations:" and "# of Ports:".
void count_draw(uint8_t row) { put_two_digits(row, st.work_block.count); }
bool count_step(int delta) { return step_within(st.work_block.count, delta, 1, kMaxCount); }
bool count_type(uint8_t key) {
  uint8_t d;
  if (!digit_of(key, &d)) return false;
  roll_digit(st.work_block.count, st.fresh_count, d);
  return true;
}

// "Serial:" On or Off, and "Rotation:" with its three-icon preview: both
// keys toggle.
void serial_flag_draw(uint8_t row) { lcd_put_text(row, kValueX, msg_text(st.work_block_serial ? MSG_ON : MSG_OFF), 0); }
bool serial_flag_step(int) {
  st.work_block_serial = st.work_block_serial ? 0 : 1;
  return true;
}
void rotation_draw(uint8_t) { lcd_draw_type_preview(st.work_block.rotation); }
bool rotation_step(int) {
  st.work_block.rotation = st.work_block.rotation ? 0 : 1;
  return true;
}

// clang-format off
const MenuField kFields[] = {
    // entry              draw                 step              type              highlight               tick
    {MSG_INCREMENT_BY,    increment_draw,      increment_step,   increment_type,   increment_highlight,    nullptr},
    {MSG_COPIES,          copies_draw,         copies_step,      copies_type,      nullptr,                nullptr},
    {MSG_TERMINATIONS,    count_draw,          count_step,       count_type,       nullptr,                nullptr},
    {MSG_PORTS,           count_draw,          count_step,       count_type,       nullptr,                nullptr},
    {MSG_SERIAL_FLAG,     serial_flag_draw,    serial_flag_step, nullptr,          nullptr,                nullptr},
    {MSG_ROTATION,        rotation_draw,       rotation_step,    nullptr,          nullptr,                nullptr},
    {MSG_SPACING,         spacing_draw,        spacing_step,     spacing_type,     spacing_highlight,      spacing_blink},
    {MSG_START,           serial_draw_start,   nullptr,          nullptr,          serial_highlight_start, nullptr},
    {MSG_END,             serial_draw_end,     serial_step_end,  serial_type_end,  serial_highlight_end,   nullptr},
};
// clang-format on
}  // namespace

const MenuField* menu_field(uint8_t id) {
  for (const MenuField& f : kFields)
    if (f.entry == id) return &f;
  return nullptr;
}

bool is_digit_key(uint8_t key) { return key >= KEY_0 && key <= KEY_9; }

void put_two_digits(uint8_t row, unsigned value) {
  uint8_t text[3];
  num_format_fixed(uint16_t(value), text, 2);
  lcd_put_text(row, kValueX, text, 0);
}
