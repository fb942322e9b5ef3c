// The serial menu: a run of labels numbered from the serial that ends before
// the cursor ("Start:"), by "Increment By:", up to "End:", each in "Copies:".
// Building it reads the serial and proposes start + increment as the end;
// "End:" is typed or stepped in the serial's own class (digits, or upper- or
// lower-case letters); Enter checks the run's length and stores it in the
// label, so that the next print runs the serial.
#include <cstring>

#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/menu/menu_table.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/popup.h"

namespace {
MenuState& st = menu_st;

constexpr uint16_t kMinSerialLabels = 2, kMaxSerialLabels = 998;
constexpr int kCaptionChars = 13;  // caption and window share 13 characters

uint8_t* serial_bytes() { return reinterpret_cast<uint8_t*>(&st.work_serial); }

// The end value's class and its letter base.
bool serial_is_digits() { return st.work_serial.cls == SER_CLASS_DIGITS; }
uint8_t serial_base() { return st.work_serial.cls == SER_CLASS_LOWER ? 'a' : 'A'; }
bool in_serial_class(uint16_t c) {
  if (serial_is_digits()) return c >= '0' && c <= '9';
  return c >= serial_base() && c <= serial_base() + 25;
}

// The "Start:" and "End:" rows: the window drawn right after the caption,
// with the serial's characters (9 dots each, ending at the cursor) inverted
// when `highlight`.
void draw_window(uint8_t row, uint8_t caption, bool highlight) {
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
}  // namespace

// The serial before the cursor and the end value proposed from it. False
// when the menu closed.
bool serial_prepare(bool newly_opened) {
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
  if (newly_opened) st.fresh_increment = st.fresh_end = st.fresh_count = 1;
  return true;
}

// Enter: the run goes into the label when its labels times copies lie in
// 2..998; otherwise the label keeps its old run and the menu stays.
bool serial_enter() {
  uint8_t kept[LBL_SERIAL_BLOCK_SIZE];
  std::memcpy(kept, lbl_serial_block(), sizeof kept);
  lbl_set_serial_block(serial_bytes());
  const uint32_t labels = uint32_t(ser_label_count()) * st.work_copies;
  if (labels < kMinSerialLabels || labels > kMaxSerialLabels) {
    lbl_set_serial_block(kept);
    msg_popup_show(MSG_ERROR, 1);
    st.drawn_menu_id = 0;
    return false;
  }
  lbl_set_copies(st.work_copies);
  lbl_set_serial_print(1);  // the next print runs the serial
  menu_close();
  return true;
}

void serial_draw_start(uint8_t row) { draw_window(row, MSG_START, false); }
void serial_draw_end(uint8_t row) { draw_window(row, MSG_END, false); }
void serial_highlight_start(uint8_t row) { draw_window(row, MSG_START, true); }
void serial_highlight_end(uint8_t row) { draw_window(row, MSG_END, true); }

// The end value one step up or down: digits 1..999; letters up to ZZZ and
// not below one above the serial's last letter.
bool serial_step_end(int delta) {
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

// Typing into the end value: digits for a digit serial, letters (Space as a
// blank "_") for a letter serial. The first key after opening clears the
// two places before it.
bool serial_type_end(uint8_t key) {
  if (key < KEY_SPACE || key > KEY_Z) return false;
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

// The serial window: the current line around its cursor in the room the
// caption leaves (13 characters in all), "End:" with the serial before the
// cursor replaced by the end value.
int menu_serial_window(uint8_t caption, uint16_t* text, int* cursor_place, int* marked) {
  const int k = int(std::strlen(msg_text(caption)));
  const int n = k < kCaptionChars ? kCaptionChars - k : 1;
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
