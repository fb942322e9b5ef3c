// The drawing layer: bytes of the frame buffer and, after a flush, the
// mirror. Glyph tests use the synthetic font of lcd_test_font.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "host/seam/mirror.h"
#include "tests/core/lcd_test_font.h"

namespace {
uint8_t frame_at(int page, int column) { return lcd_frame()[page * LCD_COLUMNS + column]; }

// The mirror keeps what it was given, except page 6 right of column 56 where
// only the rule row shows.
bool mirror_matches_frame() {
  const uint8_t* m = mirror_framebuffer();
  for (int i = 0; i < 1056; ++i) {
    uint8_t expected = lcd_frame()[i];
    if (i / 132 == 6 && i % 132 >= 57) expected &= 0x80;
    if (m[i] != expected) return false;
  }
  return true;
}

// True when columns from..to-1 of both pages of a text line are blank.
bool line_blank(int line, int from, int to) {
  for (int c = from; c < to; ++c)
    if (frame_at(2 * line, c) || frame_at(2 * line + 1, c)) return false;
  return true;
}

// Checks that cell column c of `code` is drawn at column x of a text line.
void expect_glyph_column(int line, int x, uint16_t code, int c) {
  uint8_t upper, lower;
  lcd_test_font::lcd_column(code, c, upper, lower);
  EXPECT_EQ(frame_at(2 * line, x), upper) << "column " << x << " code " << code << " cell " << c;
  EXPECT_EQ(frame_at(2 * line + 1, x), lower) << "column " << x << " code " << code << " cell " << c;
}

void expect_glyph(int line, int x, uint16_t code) {
  for (int c = 0; c < lcd_test_font::width(code); ++c) expect_glyph_column(line, x + c, code, c);
}

class Lcd : public ::testing::Test {
 protected:
  void SetUp() override {
    lcd_test_font::install();
    mirror_init();
    std::memset(lcd_frame(), 0, 1056);
  }
};
}  // namespace

TEST_F(Lcd, TextAdvancesByRegularWidthWithBoldDotsAndCentresInSpacing) {
  lcd_put_text(1, 10, "AiB", 0);
  expect_glyph(1, 10, 'A');
  expect_glyph(1, 19, 'i');
  expect_glyph(1, 23, 'B');
  EXPECT_TRUE(line_blank(1, 32, 132));
  EXPECT_TRUE(line_blank(0, 0, 132));
  EXPECT_TRUE(line_blank(2, 0, 132));

  // Spacing 5: each cell is the width plus 2 + 2, the glyph in its middle.
  lcd_put_text(0, 0, "AB", 5);
  expect_glyph(0, 2, 'A');
  expect_glyph(0, 15, 'B');
  EXPECT_TRUE(line_blank(0, 0, 2));
  EXPECT_TRUE(line_blank(0, 24, 132));
}

TEST_F(Lcd, TextStartingAtColumn119OrLaterIsDroppedButTheLineCleared) {
  std::memset(lcd_frame(), 0xFF, 1056);
  lcd_put_text(0, 0, "ABCDEFGHIJKLMNOP", 0);
  // The 14th character starts at 117 and is drawn (to 125); the 15th would
  // start at 126 and is dropped.
  expect_glyph(0, 117, 'N');
  EXPECT_TRUE(line_blank(0, 126, 132));

  lcd_put_text(1, 115, "AB", 0);
  expect_glyph(1, 115, 'A');  // columns 115..123; B would start at 124
  EXPECT_TRUE(line_blank(1, 124, 132));
  EXPECT_EQ(frame_at(2, 114), 0xFF);  // left of x is kept

  lcd_put_text(2, 119, "A", 0);
  EXPECT_TRUE(line_blank(2, 119, 132));
  EXPECT_EQ(frame_at(4, 118), 0xFF);

  lcd_put_text(3, 40, "", 0);
  EXPECT_TRUE(line_blank(3, 40, 132));
  EXPECT_EQ(frame_at(6, 39), 0xFF);
}

TEST_F(Lcd, GlyphsAreClippedAtTheRightEdgeAndExtendedCodesDraw) {
  lcd_draw_glyph(0, 128, 'A', 0, 9);
  for (int c = 0; c < 4; ++c) expect_glyph_column(0, 128 + c, 'A', c);
  EXPECT_TRUE(line_blank(1, 0, 132));  // nothing spilt into the next line

  const uint16_t text[] = {542, 'A', 0};
  lcd_put_text16(2, 30, text);
  expect_glyph(2, 30, 542);
  expect_glyph(2, 46, 'A');
}

TEST_F(Lcd, TextWindowScrollsTheFirstGlyphAndClipsTheLast) {
  std::memset(lcd_frame(), 0xFF, 1056);
  // Window 3..32 (30 columns), scrolled 4 in: A shows its columns 4..8, then
  // B and C whole; D would need 9 columns, 7 are left: it shows the 4 columns
  // A lost, the rest of the window stays blank.
  lcd_put_text_window(1, 3, 33, "ABCD", 4);
  for (int c = 4; c < 9; ++c) expect_glyph_column(1, 3 + c - 4, 'A', c);
  expect_glyph(1, 8, 'B');
  expect_glyph(1, 17, 'C');
  for (int c = 0; c < 4; ++c) expect_glyph_column(1, 26 + c, 'D', c);
  EXPECT_TRUE(line_blank(1, 30, 33));
  EXPECT_EQ(frame_at(2, 2), 0xFF);
  EXPECT_EQ(frame_at(3, 33), 0xFF);

  // A window of whole glyphs scrolled 4 in: the cut glyph would end exactly
  // at the window's edge, and the device leaves those columns blank.
  lcd_put_text_window(2, 0, 27, "ABCD", 4);
  expect_glyph(2, 5, 'B');
  expect_glyph(2, 14, 'C');
  EXPECT_TRUE(line_blank(2, 23, 27));
  EXPECT_EQ(frame_at(4, 27), 0xFF);

  // Not scrolled: the text exactly fills the window and a fourth glyph is cut.
  lcd_put_text_window(0, 0, 27, "ABCD", 0);
  expect_glyph(0, 0, 'A');
  expect_glyph(0, 18, 'C');
  EXPECT_EQ(frame_at(0, 27), 0xFF);

  // A short text leaves the rest of the window blank.
  lcd_put_text_window(3, 0, 40, "A", 0);
  expect_glyph(3, 0, 'A');
  EXPECT_TRUE(line_blank(3, 9, 40));
}

TEST_F(Lcd, InversionIsItsOwnUndoAndStopsAtColumn55OnTheStatusLine) {
  lcd_put_text(0, 0, "AB", 0);
  std::vector<uint8_t> before(lcd_frame(), lcd_frame() + 1056);
  lcd_invert_line(0, 5, 20);
  EXPECT_EQ(frame_at(0, 4), before[4]);
  EXPECT_EQ(frame_at(0, 5), uint8_t(~before[5]));
  EXPECT_EQ(frame_at(1, 19), uint8_t(~before[132 + 19]));
  EXPECT_EQ(frame_at(0, 20), before[20]);
  lcd_invert_line(0, 5, 20);
  EXPECT_EQ(std::vector<uint8_t>(lcd_frame(), lcd_frame() + 1056), before);

  lcd_invert_line(3, 0, 132);
  EXPECT_EQ(frame_at(6, 55), 0xFF);
  EXPECT_EQ(frame_at(7, 55), 0xFF);
  EXPECT_EQ(frame_at(6, 56), 0x00);

  lcd_invert_bar(4, 78, 20);
  EXPECT_EQ(frame_at(4, 78), 0xFF);
  EXPECT_EQ(frame_at(5, 97), 0xFF);
  EXPECT_EQ(frame_at(5, 98), 0x00);
  EXPECT_EQ(frame_at(3, 80), 0x00);
  lcd_invert_bar(0, 120, 40);  // clipped at the right edge
  EXPECT_EQ(frame_at(1, 131), 0xFF);
  EXPECT_EQ(frame_at(2, 0), 0x00);
}

TEST_F(Lcd, ScrollBarNeedsFourEntriesAndMarksWhatLiesBeyond) {
  lcd_draw_scrollbar(3, 2);
  EXPECT_TRUE(std::all_of(lcd_frame(), lcd_frame() + 1056, [](uint8_t b) { return b == 0; }));

  // Four entries, the last selected: thumb rows 36-47, only the upper mark.
  lcd_draw_scrollbar(4, 3);
  for (int p = 0; p < 6; ++p) EXPECT_EQ(frame_at(p, 130), 0xFF);
  EXPECT_EQ(frame_at(0, 129), 0x40);  // row 1 mark
  EXPECT_EQ(frame_at(0, 131), 0x40);
  EXPECT_EQ(frame_at(4, 129), 0x0F);  // rows 36-39
  EXPECT_EQ(frame_at(5, 129), 0xFF);  // rows 40-47
  EXPECT_EQ(frame_at(5, 131), 0xFF);
  EXPECT_EQ(frame_at(4, 131), 0x0F);
  for (int p = 1; p < 4; ++p) EXPECT_EQ(frame_at(p, 129), 0x00);
  EXPECT_EQ(frame_at(6, 130), 0x00);

  // The first of four: thumb rows 0-11 and only the lower mark (row 46).
  std::memset(lcd_frame(), 0, 1056);
  lcd_draw_scrollbar(4, 0);
  EXPECT_EQ(frame_at(0, 129), 0xFF);
  EXPECT_EQ(frame_at(1, 129), 0xF0);
  EXPECT_EQ(frame_at(5, 129), 0x02);
  EXPECT_EQ(frame_at(5, 131), 0x02);
  EXPECT_EQ(frame_at(5, 128), 0x00);

  // Seven entries, the third: thumb 6 rows from 96 / 7 = 13, both marks.
  std::memset(lcd_frame(), 0, 1056);
  lcd_draw_scrollbar(7, 2);
  EXPECT_EQ(frame_at(0, 131), 0x40);
  EXPECT_EQ(frame_at(1, 131), 0x07);  // rows 13-15
  EXPECT_EQ(frame_at(2, 131), 0xE0);  // rows 16-18
  EXPECT_EQ(frame_at(5, 131), 0x02);
}

TEST_F(Lcd, PrintingScreenShowsTheSymbolAndACounterForMoreThanOneLabel) {
  std::memset(lcd_frame(), 0xFF, 1056);
  lcd_show_print_progress(0, 1);
  expect_glyph(1, 30, 542);
  EXPECT_TRUE(line_blank(1, 0, 30));
  EXPECT_TRUE(line_blank(1, 46, 132));
  EXPECT_TRUE(line_blank(0, 0, 132));
  EXPECT_TRUE(line_blank(2, 0, 132));
  EXPECT_EQ(frame_at(6, 0), 0xFF);  // the status line is not touched
  EXPECT_TRUE(mirror_matches_frame());

  // Symbol 16 wide: the counter starts at 16 + 40.
  lcd_show_print_progress(0, 120);
  const char* expected = "001/120";
  for (int k = 0; k < 7; ++k) expect_glyph(1, 56 + 9 * k, uint16_t(expected[k]));
  EXPECT_TRUE(line_blank(1, 119, 132));

  lcd_show_print_progress(4, 5);
  expected = "05/05";
  for (int k = 0; k < 5; ++k) expect_glyph(1, 56 + 9 * k, uint16_t(expected[k]));
  EXPECT_TRUE(line_blank(1, 101, 132));
  // Each dot is a 2 x 2 pixel square in the mirror picture.
  // '0' (0x30) has the upper-page byte 0x0C: rows 20 and 21 dark at column 57.
  const uint8_t* rgb = mirror_rgb();
  auto dark = [&](int x, int y) { return rgb[(y * MIRROR_WIDTH + x) * 3 + 1] == 0; };
  ASSERT_EQ(frame_at(2, 57), 0x0C);
  EXPECT_TRUE(dark(2 * 57, 2 * 20));
  EXPECT_TRUE(dark(2 * 57 + 1, 2 * 21 + 1));
  EXPECT_FALSE(dark(2 * 57, 2 * 19));
  EXPECT_FALSE(dark(2 * 50, 2 * 20));
}

TEST_F(Lcd, CharGridDrawsAtMostTenCellsAndHighlightsOne) {
  uint16_t codes[12];
  for (int k = 0; k < 12; ++k) codes[k] = uint16_t('A' + k);
  lcd_draw_char_grid(1, 2, codes, 12);
  // Row 0 at pages 0-1, row 1 at pages 3-4; 9-dot glyphs centred in 25 columns.
  expect_glyph(0, 8, 'A');
  expect_glyph(0, 108, 'E');
  // The highlighted cell (row 1, column 2) is inverted.
  for (int c = 0; c < 9; ++c) {
    uint8_t upper, lower;
    lcd_test_font::lcd_column('H', c, upper, lower);
    EXPECT_EQ(frame_at(3, 58 + c), uint8_t(~upper));
    EXPECT_EQ(frame_at(4, 58 + c), uint8_t(~lower));
  }
  EXPECT_EQ(frame_at(3, 50), 0xFF);
  EXPECT_EQ(frame_at(4, 74), 0xFF);
  EXPECT_EQ(frame_at(3, 75), 0x00);
  // 'J' (row 1, cell 4) is not highlighted.
  uint8_t upper, lower;
  lcd_test_font::lcd_column('J', 1, upper, lower);
  EXPECT_EQ(frame_at(3, 109), upper);
  EXPECT_EQ(frame_at(4, 109), lower);
  // Page 2 between the rows stays blank; the 11th and 12th codes are not drawn.
  for (int c = 0; c < 132; ++c) EXPECT_EQ(frame_at(2, c), 0) << c;
  for (int p = 5; p < 8; ++p)
    for (int c = 0; c < 132; ++c) EXPECT_EQ(frame_at(p, c), 0) << p << " " << c;
}

TEST_F(Lcd, StatusIconsUseTheirExactBytes) {
  lcd_draw_size_icon(4);  // "20"
  EXPECT_EQ(frame_at(6, 36), 0x8C);
  EXPECT_EQ(frame_at(7, 36), 0x03);
  EXPECT_EQ(frame_at(6, 44), 0x80);  // the gap between the digits keeps the rule
  EXPECT_EQ(frame_at(7, 52), 0xF8);
  EXPECT_EQ(frame_at(6, 53), 0x00);
  EXPECT_TRUE(mirror_lamps().pt);

  lcd_draw_size_icon(0);  // "A"
  EXPECT_EQ(frame_at(6, 46), 0xBF);
  EXPECT_EQ(frame_at(7, 46), 0xD8);

  // Terminal block icon box: four 4 x 4 blocks in a frame of columns 0-33.
  lcd_draw_label_type(47, true);
  EXPECT_EQ(frame_at(6, 0), 0xFF);
  EXPECT_EQ(frame_at(7, 0), 0xFF);
  EXPECT_EQ(frame_at(6, 33), 0xFF);
  EXPECT_EQ(frame_at(7, 33), 0xFF);
  EXPECT_EQ(frame_at(6, 3), 0x03);
  EXPECT_EQ(frame_at(7, 3), 0xC1);  // block and the bottom edge (row 63)
  EXPECT_EQ(frame_at(7, 7), 0x01);
  EXPECT_EQ(frame_at(6, 27), 0x03);
  EXPECT_EQ(frame_at(6, 34), 0x00);
  EXPECT_EQ(frame_at(7, 34), 0x00);
  EXPECT_EQ(frame_at(7, 46), 0xD8);  // the size icon beside it stays

  // Fixed length: the F icon from column 4.
  lcd_draw_label_type(5, true);
  EXPECT_EQ(frame_at(6, 4), 0x3F);
  EXPECT_EQ(frame_at(7, 4), 0xFD);
  EXPECT_EQ(frame_at(6, 29), 0x3F);
  EXPECT_EQ(frame_at(7, 29), 0xFD);
  EXPECT_EQ(frame_at(6, 30), 0x00);

  // Wire: three copies of the turned A 1 from column 2.
  lcd_draw_label_type(30, true);
  EXPECT_EQ(frame_at(6, 2), 0x04);
  EXPECT_EQ(frame_at(6, 11), 0x04);
  EXPECT_EQ(frame_at(6, 20), 0x04);
  EXPECT_EQ(frame_at(7, 26), 0x91);
}

TEST_F(Lcd, StatusCaptionSitsOneDotBelowTheRule) {
  lcd_draw_label_type(50, false);  // shown with the tag of 48, "PORT"
  uint8_t upper, lower;
  lcd_test_font::lcd_column('P', 1, upper, lower);
  EXPECT_EQ(frame_at(6, 1), upper >> 1);
  EXPECT_EQ(frame_at(7, 1), uint8_t((lower >> 1) | ((upper & 1) << 7)));
  lcd_test_font::lcd_column('T', 1, upper, lower);
  EXPECT_EQ(frame_at(6, 28), upper >> 1);

  // Only columns 0-35 move.
  std::memset(lcd_frame(), 0, 1056);
  lcd_frame()[6 * 132 + 35] = 0x81;
  lcd_frame()[7 * 132 + 35] = 0x02;
  lcd_frame()[6 * 132 + 36] = 0x81;
  lcd_shift_status_down();
  EXPECT_EQ(frame_at(6, 35), 0x40);
  EXPECT_EQ(frame_at(7, 35), 0x81);
  EXPECT_EQ(frame_at(6, 36), 0x81);
}

TEST_F(Lcd, PickerTagLineMarkersAndTypePreview) {
  lcd_show_picker_tag('A', '0');  // "A1"
  uint8_t upper, lower;
  lcd_test_font::lcd_column('1', 1, upper, lower);
  EXPECT_EQ(frame_at(6, 10), 0x80 | (upper >> 1));
  EXPECT_EQ(frame_at(6, 100), 0x80);  // the rule
  MirrorLamps lamps = mirror_lamps();
  EXPECT_FALSE(lamps.pt || lamps.bold || lamps.caps || lamps.func);
  EXPECT_EQ(lamps.battery, 0);

  lcd_draw_line_marker(2, 1);  // "2" at the second text line
  const uint8_t marker[16] = {0x00, 0x1f, 0x1b, 0x16, 0x19, 0x1f, 0x00, 0x00,
                              0x00, 0xe0, 0x20, 0xa0, 0xa0, 0xe0, 0x00, 0x00};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(frame_at(2, c), marker[c]);
    EXPECT_EQ(frame_at(3, c), marker[8 + c]);
  }

  std::memset(lcd_frame(), 0xFF, 1056);
  lcd_draw_type_preview(0);  // three upright A 1 from column 93
  EXPECT_EQ(frame_at(4, 91), 0x7F);
  EXPECT_EQ(frame_at(5, 91), 0xFE);
  EXPECT_EQ(frame_at(4, 124), 0x7F);
  EXPECT_EQ(frame_at(5, 124), 0xFE);
  EXPECT_EQ(frame_at(4, 92), 0x40);
  EXPECT_EQ(frame_at(5, 92), 0x02);
  EXPECT_EQ(frame_at(4, 93), 0x47);
  EXPECT_EQ(frame_at(5, 93), 0xE2);
  EXPECT_EQ(frame_at(4, 103), 0x47);
  EXPECT_EQ(frame_at(4, 113), 0x47);
  EXPECT_EQ(frame_at(4, 125), 0x00);
  EXPECT_EQ(frame_at(4, 90), 0xFF);
  EXPECT_EQ(frame_at(3, 100), 0xFF);
}

TEST_F(Lcd, TestPatternsFillBlankAndAlternatingCheckerboards) {
  lcd_fill();
  EXPECT_TRUE(std::all_of(lcd_frame(), lcd_frame() + 1056, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(mirror_matches_frame());
  MirrorLamps lamps = mirror_lamps();
  EXPECT_TRUE(lamps.pt && lamps.bold && lamps.caps && lamps.func);
  EXPECT_EQ(lamps.battery, 3);

  lcd_blank();
  EXPECT_TRUE(std::all_of(mirror_framebuffer(), mirror_framebuffer() + 1056, [](uint8_t b) { return b == 0; }));
  lamps = mirror_lamps();
  EXPECT_FALSE(lamps.pt || lamps.bold || lamps.caps || lamps.func);
  EXPECT_EQ(lamps.battery, 0);

  uint8_t phase = lcd_test_phase();
  lcd_test_stripes();
  std::vector<uint8_t> first(lcd_frame(), lcd_frame() + 1056);
  EXPECT_NE(lcd_test_phase(), phase);
  lcd_test_stripes();
  for (int i = 0; i < 1056; ++i) ASSERT_EQ(lcd_frame()[i], uint8_t(~first[i])) << i;
  // In phase 1 page 0 starts with a blank group.
  if (lcd_test_phase() == 0) lcd_test_stripes();
  EXPECT_EQ(frame_at(0, 0), 0x00);
  EXPECT_EQ(frame_at(0, 4), 0xFF);
  EXPECT_EQ(frame_at(0, 128), 0x00);
  EXPECT_EQ(frame_at(1, 0), 0xFF);  // the next page runs on: a checkerboard
  EXPECT_EQ(frame_at(1, 4), 0x00);
  EXPECT_TRUE(mirror_matches_frame());
}

TEST_F(Lcd, LineFlushPushesOnlyThatLine) {
  lcd_flush();
  lcd_put_text(1, 0, "AB", 0);
  lcd_put_text(2, 0, "CD", 0);
  lcd_flush_line(1);
  EXPECT_EQ(0, std::memcmp(mirror_framebuffer() + 264, lcd_frame() + 264, 264));
  for (int i = 528; i < 792; ++i) ASSERT_EQ(mirror_framebuffer()[i], 0) << i;
}

// ---- The editor's text view ----

namespace {
class LcdEditor : public Lcd {
 protected:
  void SetUp() override {
    Lcd::SetUp();
    r = lbl_record();
    std::memset(r, 0, sizeof *r);
    r->label_type = 26;
    r->font_size = 2;
  }
  void set_line(int i, const std::string& text, int cursor) {
    LabelLine& line = r->lines[i];
    line.length = uint8_t(text.size());
    for (size_t k = 0; k < text.size(); ++k) line.cells[k] = uint8_t(text[k]);
    line.cursor = uint8_t(cursor);
  }
  // Draws the view, lets the cursor blink on and returns the dot column and
  // screen line of the bar it painted (-1 when none).
  std::pair<int, int> draw_and_find_cursor() {
    lcd_draw_editor();
    std::vector<uint8_t> before(mirror_rgb(), mirror_rgb() + MIRROR_WIDTH * MIRROR_HEIGHT * 3);
    mirror_cursor_tick();
    mirror_cursor_tick();
    const uint8_t* after = mirror_rgb();
    int min_x = MIRROR_WIDTH, min_y = MIRROR_HEIGHT;
    for (int i = 0; i < MIRROR_WIDTH * MIRROR_HEIGHT; ++i)
      if (std::memcmp(&before[3 * i], after + 3 * i, 3) != 0) {
        min_x = std::min(min_x, i % MIRROR_WIDTH);
        min_y = std::min(min_y, i / MIRROR_WIDTH);
      }
    if (min_x == MIRROR_WIDTH) return {-1, -1};
    return {min_x / 2, min_y / 32};
  }
  LabelRecord* r = nullptr;
};

std::string letters(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += char('A' + i % 26);
  return s;
}
}  // namespace

TEST_F(LcdEditor, ShortLineWithMarkerRuleAndCursor) {
  set_line(0, "HELLO", 5);
  auto [column, line] = draw_and_find_cursor();
  EXPECT_EQ(frame_at(0, 1), 0x1F);  // marker "1"
  EXPECT_EQ(frame_at(1, 1), 0xE0);
  expect_glyph(0, 8, 'H');
  expect_glyph(0, 44, 'O');
  EXPECT_TRUE(line_blank(0, 53, 132));
  EXPECT_TRUE(line_blank(1, 0, 132));
  EXPECT_EQ(frame_at(6, 0), 0x80);
  EXPECT_EQ(frame_at(6, 131), 0x80);
  EXPECT_EQ(column, 7 + 5 * 9);
  EXPECT_EQ(line, 0);
  EXPECT_TRUE(mirror_matches_frame());
}

TEST_F(LcdEditor, ALongLineScrollsSoTheCursorStaysInTheWindow) {
  set_line(0, letters(30), 30);
  auto [column, line] = draw_and_find_cursor();
  // 13 nine-dot characters before the cursor: characters 17..29.
  expect_glyph(0, 8, 'R');
  expect_glyph(0, 8 + 12 * 9, 'D');
  EXPECT_EQ(column, 124);

  // Cursor in the middle: characters 7..19 show, those after the window do not.
  set_line(0, letters(30), 20);
  std::tie(column, line) = draw_and_find_cursor();
  expect_glyph(0, 8, 'H');
  expect_glyph(0, 116, 'T');
  EXPECT_TRUE(line_blank(0, 125, 132));
  EXPECT_EQ(column, 124);

  // Narrow characters: the window starts 13 characters before the cursor.
  set_line(0, std::string(20, 'i'), 20);
  std::tie(column, line) = draw_and_find_cursor();
  expect_glyph(0, 8, 'i');
  expect_glyph(0, 8 + 12 * 4, 'i');
  EXPECT_TRUE(line_blank(0, 60, 132));
  EXPECT_EQ(column, 7 + 13 * 4);
}

TEST_F(LcdEditor, EveryDrawnLineTakesTheCurrentLinesColumn) {
  r->last_line = 1;
  r->current_line = 0;
  set_line(0, letters(30), 30);
  set_line(1, letters(40), 0);
  auto [column, line] = draw_and_find_cursor();
  EXPECT_EQ(r->lines[1].cursor, 30);
  // Line 1 started from column 0 and scrolled until 30 fitted: 17..29.
  expect_glyph(1, 8, 'R');
  expect_glyph(1, 116, 'D');
  EXPECT_TRUE(line_blank(1, 125, 132));
  EXPECT_EQ(frame_at(2, 1), 0x1F);  // marker "2"
  EXPECT_EQ(frame_at(2, 3), 0x16);
  EXPECT_EQ(line, 0);
}

TEST_F(LcdEditor, FourLinesShowThreeAroundTheCurrentLine) {
  r->last_line = 3;
  for (int i = 0; i < 4; ++i) set_line(i, std::string(1, char('K' + i)), 1);
  r->current_line = 2;
  auto [column, line] = draw_and_find_cursor();
  expect_glyph(0, 8, 'L');
  expect_glyph(1, 8, 'M');
  expect_glyph(2, 8, 'N');
  EXPECT_EQ(frame_at(4, 2), 0x10);  // marker "4" on screen line 2
  EXPECT_EQ(line, 1);
  EXPECT_EQ(column, 16);

  r->current_line = 1;
  std::tie(column, line) = draw_and_find_cursor();
  expect_glyph(0, 8, 'K');
  expect_glyph(2, 8, 'M');
  EXPECT_EQ(line, 1);
}

TEST_F(LcdEditor, BarcodeFieldIsFramedWithBracketsAndMovesTheCursor) {
  r->label_type = 1;
  r->barcode_type = 1;
  r->barcode_start = 2;
  r->barcode_length = 3;
  set_line(0, "ABCDEF", 6);
  auto [column, line] = draw_and_find_cursor();
  expect_glyph(0, 8, 'A');
  expect_glyph(0, 17, 'B');
  // The field's characters after a 4-dot bracket; the box's left side at 27.
  EXPECT_EQ(frame_at(0, 27), 0xFF);
  EXPECT_EQ(frame_at(1, 27), 0xFF);
  uint8_t upper, lower;
  lcd_test_font::lcd_column('C', 1, upper, lower);
  EXPECT_EQ(frame_at(0, 31), upper | 0x80);  // top edge on row 0
  EXPECT_EQ(frame_at(1, 31), lower | 0x01);  // bottom edge on row 15
  EXPECT_EQ(frame_at(0, 30), 0x80);
  // Width 9 x 3 + 4: the right side at 58, then the closing bracket.
  EXPECT_EQ(frame_at(0, 58), 0xFF);
  EXPECT_EQ(frame_at(1, 58), 0xFF);
  EXPECT_EQ(frame_at(0, 59), 0x00);
  expect_glyph(0, 61, 'F');
  EXPECT_EQ(column, 7 + 6 * 9 + 8);
  EXPECT_EQ(line, 0);

  // An empty field at the end of the text: a 5-dot box after the last character.
  r->barcode_start = 2;
  r->barcode_length = 0;
  r->barcode_active = 1;
  set_line(0, "AB", 2);
  std::tie(column, line) = draw_and_find_cursor();
  EXPECT_EQ(frame_at(0, 26), 0xFF);
  EXPECT_EQ(frame_at(0, 31), 0xFF);
  EXPECT_EQ(frame_at(0, 28), 0x80);
  EXPECT_EQ(frame_at(1, 28), 0x01);
  EXPECT_EQ(column, 7 + 2 * 9 + 4);
}

TEST(LcdBarcodeField, ClassifiesTheFieldAgainstTheDrawnWindow) {
  int width = -1;
  EXPECT_EQ(lcd_classify_barcode_field(0, 2, 3, 0, 10, &width), 0);
  EXPECT_EQ(lcd_classify_barcode_field(1, 2, 3, 0, 10, &width), 3);
  EXPECT_EQ(width, 31);
  EXPECT_EQ(lcd_classify_barcode_field(2, 4, 0, 0, 4, &width), 3);
  EXPECT_EQ(width, 5);
  EXPECT_EQ(lcd_classify_barcode_field(1, 8, 10, 0, 13, &width), 1);
  EXPECT_EQ(width, 45);
  EXPECT_EQ(lcd_classify_barcode_field(1, 2, 10, 5, 18, &width), 2);
  EXPECT_EQ(width, 63);
  EXPECT_EQ(lcd_classify_barcode_field(1, 0, 40, 5, 18, &width), 4);
  EXPECT_EQ(width, 108);
  EXPECT_EQ(lcd_classify_barcode_field(1, 0, 5, 5, 18, &width), 0);   // scrolled out left
  EXPECT_EQ(lcd_classify_barcode_field(1, 18, 5, 5, 18, &width), 0);  // right of the view

  // Cursor offsets: brackets of 4 dots on each side of the field 2..5.
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 1, 2, 5, false), 0);
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 2, 2, 5, false), 0);
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 2, 2, 5, true), 4);
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 3, 2, 5, false), 4);
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 5, 2, 5, true), 4);
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 5, 2, 5, false), 8);
  EXPECT_EQ(lcd_barcode_cursor_offset(3, 6, 2, 5, false), 8);
  EXPECT_EQ(lcd_barcode_cursor_offset(1, 2, 2, 9, false), 0);
  EXPECT_EQ(lcd_barcode_cursor_offset(1, 4, 2, 9, false), 4);
  EXPECT_EQ(lcd_barcode_cursor_offset(2, 9, 2, 9, true), 0);
  EXPECT_EQ(lcd_barcode_cursor_offset(2, 9, 2, 9, false), 4);
  EXPECT_EQ(lcd_barcode_cursor_offset(2, 10, 2, 9, true), 4);
  EXPECT_EQ(lcd_barcode_cursor_offset(4, 10, 2, 9, true), 0);
}

TEST_F(LcdEditor, StatusLineShowsTagSizeIconAndBoldLamp) {
  r->label_type = 1;
  r->font_size = 3;
  r->bold = 1;
  lcd_draw_status(r);
  uint8_t upper, lower;
  lcd_test_font::lcd_column('B', 1, upper, lower);  // "BAN"
  EXPECT_EQ(frame_at(6, 1), upper >> 1);
  EXPECT_EQ(frame_at(6, 38), 0x8E);  // the "14" icon with the rule row
  MirrorLamps lamps = mirror_lamps();
  EXPECT_TRUE(lamps.bold);
  EXPECT_TRUE(lamps.pt);
  r->bold = 0;
  lcd_draw_status(r);
  EXPECT_FALSE(mirror_lamps().bold);
}
