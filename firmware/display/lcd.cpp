// LCD frame buffer, text in the size-1 font, bars, scroll bar, the printing
// screen, the picker grid, the display tests and the indicator lamps.
// Text advances by the regular size-1 width of a character and takes its dots
// from the bold size-1 glyph, which makes the small LCD font look heavier.
#include "firmware/display/lcd.h"

#include <algorithm>
#include <cstring>

#include "firmware/display/font.h"
#include "firmware/platform/lcd_mirror.h"

namespace {
constexpr int kLineBytes = 2 * LCD_COLUMNS;
constexpr int kTextLimit = 119;  // a character starting here or later is dropped

struct Lcd {
  uint8_t frame[LCD_PAGES * LCD_COLUMNS] = {};
  uint8_t test_phase = 0;
} s;

uint8_t reverse_bits(uint8_t b) {
  b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

uint8_t* at(int page, int column) { return s.frame + page * LCD_COLUMNS + column; }

// Clears both pages of a text line over columns from..to-1.
void clear_line(uint8_t line, int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, LCD_COLUMNS);
  if (line > 3 || from >= to) return;
  std::memset(at(2 * line, from), 0, size_t(to - from));
  std::memset(at(2 * line + 1, from), 0, size_t(to - from));
}

void invert(int page, int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, LCD_COLUMNS);
  if (page < 0 || page > LCD_PAGES - 2) return;
  for (int c = from; c < to; ++c) {
    *at(page, c) ^= 0xFF;
    *at(page + 1, c) ^= 0xFF;
  }
}

int text_width(uint16_t code) { return font_glyph_width(1, 0, code); }

// Common body of the byte and 16-bit text lines.
template <typename Char>
void put_text(uint8_t line, int x, const Char* text, uint8_t spacing) {
  mirror_cursor_mode(2);
  if (line > 3) return;
  clear_line(line, x, LCD_COLUMNS);
  int half = spacing / 2;
  for (; *text != 0 && x < kTextLimit; ++text) {
    uint16_t code = uint16_t(*text);
    int w = text_width(code);
    x += half;
    lcd_draw_glyph(2 * line, x, code, 0, w);
    x += w + half;
  }
}

void put_text_window(uint8_t line, int x_from, int x_to, const uint8_t* text, int skip) {
  mirror_cursor_mode(2);
  if (line > 3) return;
  clear_line(line, x_from, x_to);
  int x = x_from;
  int first = skip;
  while (x < x_to && *text != 0) {
    uint16_t code = *text;
    int w = text_width(code);
    if (x + w > x_to) {
      // The partly hidden last glyph shows the columns the first one lost.
      if (x + skip < x_to) lcd_draw_glyph(2 * line, x, code, first, skip);
      return;
    }
    lcd_draw_glyph(2 * line, x, code, first, w);
    // A skip wider than the glyph must not move the pen backwards.
    x += std::max(w - first, 0);
    ++text;
    first = 0;
  }
}

// Writes exactly n decimal digits of value (value mod 10^n) and a NUL.
void format_fixed(uint16_t value, char* buf, int n) {
  for (int i = n - 1; i >= 0; --i) {
    buf[i] = char('0' + value % 10);
    value = uint16_t(value / 10);
  }
  buf[n] = 0;
}
}  // namespace

uint8_t* lcd_frame() { return s.frame; }

void lcd_init() {
  lcd_clear_text();
  s.test_phase = 0;
}

void lcd_clear_text() { std::memset(s.frame, 0, 6 * LCD_COLUMNS); }
void lcd_clear_status() { std::memset(at(6, 0), 0, 2 * LCD_COLUMNS); }

void lcd_draw_glyph(int page, int x, uint16_t code, int first, int end) {
  if (page < 0 || page > LCD_PAGES - 2) return;
  for (int c = first; c < end; ++c, ++x) {
    if (x >= LCD_COLUMNS) return;
    if (x < 0) continue;
    uint8_t column[2] = {0, 0};
    font_get_column(1, 1, code, uint8_t(c), column, 0);
    *at(page, x) = reverse_bits(column[1]);
    *at(page + 1, x) = reverse_bits(column[0]);
  }
}

void lcd_put_text(uint8_t line, int x, const char* text, uint8_t spacing) {
  put_text(line, x, reinterpret_cast<const uint8_t*>(text), spacing);
}
void lcd_put_text(uint8_t line, int x, const uint8_t* text, uint8_t spacing) { put_text(line, x, text, spacing); }
void lcd_put_text16(uint8_t line, int x, const uint16_t* text) { put_text(line, x, text, 0); }

void lcd_put_text_window(uint8_t line, int x_from, int x_to, const char* text, int skip) {
  put_text_window(line, x_from, x_to, reinterpret_cast<const uint8_t*>(text), skip);
}
void lcd_put_text_window(uint8_t line, int x_from, int x_to, const uint8_t* text, int skip) {
  put_text_window(line, x_from, x_to, text, skip);
}

void lcd_invert_line(uint8_t line, int x, int end) {
  if (line > 3) return;
  if (line == 3) end = 56;  // the status line is visible only up to column 55
  invert(2 * line, x, end);
}

void lcd_invert_bar(int page, int x, int width) { invert(page, x, x + width); }

void lcd_draw_scrollbar(int count, int index) {
  if (count < 4) return;  // three entries fit on the screen
  int thumb = 48 / count;
  int start = index == count - 1 ? 48 - thumb : index * 48 / count;
  for (int p = 0; p < 6; ++p) *at(p, 130) = 0xFF;
  auto set_row = [](int row, int column) { *at(row / 8, column) |= uint8_t(0x80 >> (row % 8)); };
  for (int r = std::max(start, 0); r < start + thumb && r <= 47; ++r) {
    set_row(r, 129);
    set_row(r, 130);
    set_row(r, 131);
  }
  if (index != 0) {  // more entries above
    set_row(1, 129);
    set_row(1, 131);
  }
  if (index != count - 1) {  // more entries below
    set_row(46, 129);
    set_row(46, 131);
  }
}

void lcd_draw_rule() {
  for (int c = 0; c < LCD_COLUMNS; ++c) *at(6, c) |= 0x80;
}

void lcd_draw_char_grid(int selected_row, int selected_column, const uint16_t* codes, int count) {
  count = std::min(count, 10);
  mirror_cursor_mode(2);
  lcd_clear_text();
  for (int k = 0; k < count; ++k) {
    int page = (k / 5) * 3;  // row 0 at pages 0-1, row 1 at pages 3-4
    int cell = k % 5;
    int w = text_width(codes[k]);
    int x = cell * 25 + (w < 25 ? (25 - w) / 2 : 0);
    lcd_draw_glyph(page, x, codes[k], 0, w);
  }
  lcd_invert_bar(selected_row * 3, selected_column * 25, 25);
}

void lcd_show_print_progress(uint16_t copy_index, uint16_t copy_count) {
  static const uint16_t kPrinterSymbol[2] = {542, 0};
  mirror_cursor_mode(2);
  lcd_clear_text();
  lcd_put_text16(1, 30, kPrinterSymbol);
  if (copy_count > 1) {
    int digits = copy_count >= 100 ? 3 : 2;
    char text[8];
    format_fixed(uint16_t(copy_index + 1), text, digits);
    text[digits] = '/';
    format_fixed(copy_count, text + digits + 1, digits);
    lcd_put_text(1, text_width(kPrinterSymbol[0]) + 40, text, 0);
  }
  lcd_flush();
}

void lcd_flush() { mirror_load(s.frame); }

void lcd_flush_line(uint8_t line) {
  if (line > 3) return;
  mirror_load_line(line, s.frame + line * kLineBytes);
}

void lcd_blank() {
  std::memset(s.frame, 0, sizeof s.frame);
  lcd_indicators_off();
  mirror_cursor_mode(2);
  lcd_flush();
}

void lcd_fill() {
  std::memset(s.frame, 0xFF, sizeof s.frame);
  lcd_set_bold_indicator(true);
  lcd_set_pt_indicator(true);
  lcd_set_caps_indicator(true);
  lcd_set_func_indicator(true);
  mirror_show_battery(3);
  // No blinking cursor over the all-dark test screen.
  mirror_cursor_mode(2);
  lcd_flush();
}

void lcd_test_stripes() {
  s.test_phase ^= 1;
  // The value flips at every fourth column and runs on from page to page,
  // so 33 groups a page make a checkerboard of 4 x 8 dot cells.
  uint8_t v = s.test_phase ? 0xFF : 0x00;
  for (int p = 0; p < LCD_PAGES; ++p)
    for (int c = 0; c < LCD_COLUMNS; ++c) {
      if (c % 4 == 0) v ^= 0xFF;
      *at(p, c) = v;
    }
  lcd_flush();
}

uint8_t lcd_test_phase() { return s.test_phase; }

void lcd_set_bold_indicator(bool on) { mirror_show_bold(on); }
void lcd_set_pt_indicator(bool on) { mirror_show_pt(on); }
void lcd_set_caps_indicator(bool on) { mirror_show_caps(on); }
void lcd_set_func_indicator(bool on) { mirror_show_func(on); }

void lcd_indicators_off() {
  lcd_set_bold_indicator(false);
  lcd_set_pt_indicator(false);
  lcd_set_caps_indicator(false);
  lcd_set_func_indicator(false);
  mirror_show_battery(0);
}

void lcd_show_battery(int millivolts) {
  uint8_t level = 2;
  if (millivolts >= 8001)
    level = 3;
  else if (millivolts < 7001)
    level = 1;
  mirror_show_battery(level);
}
