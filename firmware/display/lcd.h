// The firmware's drawing layer. It owns the LCD frame buffer (8 pages x 132
// columns, one byte per page and column, bit 7 the top dot of the page), draws
// text in the small size-1 font, inverted bars, the scroll bar, the status-line
// icons and the editor's text view into it, and pushes it whole or one text
// line at a time to the LCD mirror. Nothing shows until a flush.
//
// Screen layout: text lines 0..2 are pages 0-1, 2-3, 4-5; the rule is the top
// row of page 6 (row 48); the status line (line 3) is pages 6-7, visible only
// in columns 0..55.
#pragma once
#include <cstdint>

struct LabelRecord;

constexpr int LCD_COLUMNS = 132;
constexpr int LCD_PAGES = 8;

// The frame buffer: page p, column c at index p * 132 + c.
uint8_t* lcd_frame();

void lcd_init();
void lcd_clear_text();    // pages 0-5 := 0
void lcd_clear_status();  // pages 6-7 := 0

// Glyph columns first..end-1 of a character (bold size-1 dots) at x, x+1, ...
// on pages page and page+1; bytes are replaced; columns past 131 are dropped.
void lcd_draw_glyph(int page, int x, uint16_t code, int first, int end);

// Text in a line (0..3): clears the line from x to the right edge, then each
// character takes its regular width plus twice spacing/2, glyph centred; a
// character that would start at column 119 or later is dropped.
void lcd_put_text(uint8_t line, int x, const char* text, uint8_t spacing);
void lcd_put_text(uint8_t line, int x, const uint8_t* text, uint8_t spacing);
void lcd_put_text16(uint8_t line, int x, const uint16_t* text);
// Text clipped to columns x_from..x_to-1, the first glyph entered `skip`
// columns in (the marquee scrolls with it).
void lcd_put_text_window(uint8_t line, int x_from, int x_to, const char* text, int skip);
void lcd_put_text_window(uint8_t line, int x_from, int x_to, const uint8_t* text, int skip);

// Inversion over columns x..end-1 of a line (line 3 stops at column 55).
void lcd_invert_line(uint8_t line, int x, int end);
// Inversion of pages page and page+1 over columns x..x+width-1.
void lcd_invert_bar(int page, int x, int width);

// Scroll bar at columns 129..131 of the text area; nothing below 4 entries.
void lcd_draw_scrollbar(int count, int index);
void lcd_draw_rule();

// Status line: label-type caption or icon, font-size icon, picker tags.
void lcd_draw_status(const LabelRecord* record);
void lcd_draw_label_type(uint8_t label_type, bool as_icon);
void lcd_draw_size_icon(uint8_t size);
void lcd_show_picker_tag(uint8_t c1, uint8_t c2);
// A short note (six characters fill the visible columns 0..55) in place of
// the whole status line, one dot below the rule as the tags are.
void lcd_show_status_note(const char* text);
// Columns 0..35 of pages 6 and 7 as the icon form of the status line shows
// them (icon and box), the 17 (upper, lower) byte pairs of a size icon and
// the 16 bytes of a line marker (8 upper-page bytes, then 8 lower-page
// bytes); the screen-text reader compares the LCD with these.
void lcd_label_type_icon_columns(uint8_t label_type, uint8_t page6[36], uint8_t page7[36]);
const uint8_t* lcd_size_icon_pairs(uint8_t size);
const uint8_t* lcd_line_marker_bytes(uint8_t n);
void lcd_shift_status_down();
void lcd_draw_line_marker(int page, uint8_t n);
// Boxed preview of three label-type icons in text line 2 (0 upright, else
// turned a quarter turn).
void lcd_draw_type_preview(uint8_t kind);

// The symbol picker's grid of up to 10 characters, one cell highlighted.
// The caller flushes.
void lcd_draw_char_grid(int selected_row, int selected_column, const uint16_t* codes, int count);
// The printing screen: printer symbol and, for more than one label, the
// counter "index+1/count"; flushes.
void lcd_show_print_progress(uint16_t copy_index, uint16_t copy_count);

// The editor's text view from the label record; flushes.
void lcd_draw_editor();
// Where the barcode field lies against the drawn window j..end-1 of line 0:
// 0 not visible, 1 starts in view and runs past the right, 2 starts left of
// the view and ends in it, 3 wholly visible, 4 covers the whole view.
// *box_width gets the width of the field's box in dots.
uint8_t lcd_classify_barcode_field(uint8_t barcode_type, int start, int length, int j, int end, int* box_width);
// Dots the cursor moves right for the field's brackets.
int lcd_barcode_cursor_offset(uint8_t kind, int column, int start, int end, bool active);
// The field's box on pages 0-1 (top text line).
void lcd_draw_barcode_box(int box_x, int width, uint8_t kind);

void lcd_flush();
void lcd_flush_line(uint8_t line);

// Display tests of the service mode.
void lcd_blank();
void lcd_fill();
void lcd_test_stripes();
uint8_t lcd_test_phase();

// Indicator lamps, forwarded to the mirror.
void lcd_set_bold_indicator(bool on);
void lcd_set_pt_indicator(bool on);
void lcd_set_caps_indicator(bool on);
void lcd_set_func_indicator(bool on);
void lcd_indicators_off();

// Battery symbol from millivolts: >= 8001 level 3, < 7001 level 1, else 2.
void lcd_show_battery(int millivolts);
