// The editor's status line and text view. The view shows up to three label
// lines with their line markers, each scrolled sideways so that the cursor
// stays in view, the barcode field framed by a box with 4-dot brackets, and
// the blinking cursor placed in the mirror.
#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/platform/lcd_mirror.h"

namespace {
uint8_t* at(int page, int column) { return lcd_frame() + page * LCD_COLUMNS + column; }

int char_width(uint16_t code) { return font_glyph_width(1, 0, code); }

// Sets the dots of `mask` in column x of pages 0 and 1 (a byte pair).
void set_column(int x, uint8_t upper, uint8_t lower) {
  if (x < 0 || x >= LCD_COLUMNS) return;
  *at(0, x) |= upper;
  *at(1, x) |= lower;
}
}  // namespace

uint8_t lcd_classify_barcode_field(uint8_t barcode_type, int start, int length, int j, int end, int* box_width) {
  int s = start;
  int e = start + length;
  *box_width = 0;
  if (barcode_type == 0) return 0;
  if (s >= j && e <= end) {
    *box_width = length == 0 ? 5 : 9 * length + 4;
    return 3;
  }
  if (j >= e || s >= end) return 0;
  if (s >= j) {
    *box_width = 9 * (end - s);
    return 1;
  }
  if (e <= end) {
    *box_width = 9 * (e - j);
    return 2;
  }
  *box_width = 108;
  return 4;
}

int lcd_barcode_cursor_offset(uint8_t kind, int column, int start, int end, bool active) {
  int s = start;
  int e = end;
  switch (kind) {
    case 1:
      if (column == s) return active ? 4 : 0;
      return column > s ? 4 : 0;
    case 2:
      if (column > e) return 4;
      return active ? 0 : 4;
    case 3:
      if (column < s) return 0;
      if (column > e) return 8;
      if (column == s) return active ? 4 : 0;
      if (column == e) return active ? 4 : 8;
      return 4;  // strictly inside the field
    default:
      return 0;
  }
}

void lcd_draw_barcode_box(int box_x, int width, uint8_t kind) {
  if (kind == 0) return;
  if (kind == 1 || kind == 3) set_column(box_x, 0xFF, 0xFF);
  if (kind == 2 || kind == 3) set_column(box_x + width, 0xFF, 0xFF);
  int from = kind == 4 ? 8 : box_x;
  for (int c = from; c < from + width; ++c) set_column(c, 0x80, 0x01);  // rows 0 and 15
}

void lcd_draw_status(const LabelRecord* record) {
  lcd_draw_label_type(record->label_type, false);
  lcd_draw_size_icon(record->font_size);
  lcd_set_bold_indicator(record->bold != 0);
}

void lcd_draw_editor() {
  LabelRecord* r = lbl_record();
  lcd_clear_text();
  lcd_draw_rule();

  // Four lines show three at a time: lines 1-3 while the cursor is in 2 or 3.
  int last_line = r->last_line > 3 ? 3 : r->last_line;
  int current = r->current_line;
  int first = 0;
  int last = last_line;
  if (last_line == 3) {
    first = (current == 2 || current == 3) ? 1 : 0;
    last = first + 2;
  }

  const int s = r->barcode_start;
  const int e = s + r->barcode_length;
  const uint8_t current_cursor = r->lines[current <= 3 ? current : 0].cursor;
  uint8_t kind = 0;
  int box_width = 0;
  int box_x = 8;
  int x = 8;
  int end = 0;

  for (int i = first; i <= last; ++i) {
    LabelLine& line = r->lines[i];
    const int page = 2 * (i - first);
    const int length = line.length > 50 ? 50 : line.length;
    // The first visible character comes from where this line's cursor stood.
    int j = line.cursor > 13 ? line.cursor - 13 : 0;
    lcd_draw_line_marker(page, uint8_t(i));
    // Every drawn line takes the current line's column.
    line.cursor = current_cursor;
    const int cursor = line.cursor > 50 ? 50 : line.cursor;
    const int window = r->barcode_type != 0 ? 116 : 124;

    // Scroll right until the text from j to the cursor fits the window.
    int sum = 0;
    for (int k = j; k < cursor; ++k) sum += char_width(line.cells[k]);
    while (7 + sum > window) {
      sum -= char_width(line.cells[j]);
      ++j;
    }
    int cursor_x = sum + 7;

    end = length;
    int running = 0;
    for (int k = j; k < length; ++k) {
      running += char_width(line.cells[k]);
      if (running > window) {
        end = k;
        break;
      }
    }

    kind = lcd_classify_barcode_field(r->barcode_type, s, r->barcode_length, j, end, &box_width);

    x = 8;
    for (int k = j; k < end; ++k) {
      if (kind != 0) {
        if (k == s) {  // the opening bracket
          box_x = x + 1;
          x += 4;
        }
        if (k == e) x += 4;  // the closing bracket
        if (kind == 2 && k == e - 1) box_x = 8;
      }
      uint16_t code = line.cells[k];
      int w = char_width(code);
      lcd_draw_glyph(page, x, code, 0, w);
      x += w;
    }

    cursor_x += lcd_barcode_cursor_offset(kind, cursor, s, e, r->barcode_active == 1);
    if (i == current) mirror_cursor_set(uint8_t(i - first), uint8_t(cursor_x));
  }

  if (kind != 0) {
    // An empty field at the end of the text: its box follows the last character.
    if (r->barcode_length == 0 && (r->lines[0].cursor == r->lines[0].length || s == end)) box_x = x;
    lcd_draw_barcode_box(box_x, box_width, kind);
  }

  mirror_cursor_mode(1);
  lcd_flush();
}
