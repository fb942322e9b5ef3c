// Text rasterising: line positions in the band, the column shift for tall
// fonts, horizontal lines centred against the longest, rotated text with its
// 14-character cut and its column cache. Runs the rasterisers on the test
// thread while the device's worker sleeps; columns land on the tape.
#include <gtest/gtest.h>

#include "firmware/print/engine.h"
#include "firmware/print/geometry.h"
#include "firmware/print/raster.h"
#include "print_test_util.h"

using namespace print_test;

namespace {

class Raster : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    tape_init();
  }
};

TEST_F(Raster, LinePositionsOnThreeQuarterInchTape) {
  int16_t shift = 0;
  // 6pt: f = (126 - 16) / 2 = 55, start = 55 + 16 + 2 - 16 = 57.
  EXPECT_EQ(prn_line_position(1, 0, 0, &shift), 57);
  EXPECT_EQ(shift, 57);
  // 40pt: f = 6, start = 6 + 113 + 2 - 128 = -7: placed at 0.
  EXPECT_EQ(prn_line_position(6, 0, 0, &shift), 0);
  EXPECT_EQ(shift, -7);
  // Two 6pt lines: f = 47, start 49; line 0 above line 1; a line index past
  // the last line counts as the last.
  EXPECT_EQ(prn_line_position(1, 1, 0, &shift), 65);
  EXPECT_EQ(prn_line_position(1, 1, 1, &shift), 49);
  EXPECT_EQ(prn_line_position(1, 1, 3, &shift), 49);
  // Narrow sleeve (A 18, B 18), 6pt: f = 1, start 19.
  cart_set_id(8);
  EXPECT_EQ(prn_line_position(1, 0, 0, &shift), 19);
}

TEST_F(Raster, SizeOneAndSizeSixInkWhereTheBandSays) {
  set_label(1, 1, {"A"});
  EXPECT_EQ(prn_raster_lines(0, 50), 10);
  ASSERT_EQ(tape_column_count(), 10u);
  EXPECT_TRUE(blank(0));
  EXPECT_EQ(ink_span(1), std::make_pair(57, 72));
  tape_init();
  set_label(1, 6, {"A"});
  EXPECT_EQ(prn_raster_lines(0, 50), 56);
  EXPECT_EQ(ink_span(1), std::make_pair(8, 120));
  EXPECT_EQ(dots_in(1), 113);
}

TEST_F(Raster, ColumnShiftMovesTowardDotZeroByAtMostSeven) {
  uint8_t* c = prn_column();
  prn_column_clear();
  c[0] = 0x81;          // dots 0 and 7
  c[15] = 0x01;         // dot 127
  prn_shift_column(3);  // a start that is not negative leaves the column alone
  EXPECT_EQ(c[0], 0x81);
  prn_shift_column(-3);
  EXPECT_EQ(c[0], 0x08);  // dot 7 to 4; dot 0 lost
  EXPECT_EQ(c[14], 0x00);
  EXPECT_EQ(c[15], 0x08);  // dot 127 to 124, top 3 blank
  prn_column_clear();
  c[1] = 0xFF;
  prn_shift_column(-20);  // at most 7
  EXPECT_EQ(c[0], 0x7F);
  EXPECT_EQ(c[1], 0x80);
}

TEST_F(Raster, TwoLinesOfDifferentWidthsAreCentredAgainstTheLongest) {
  set_label(1, 1, {"AAAA", "AA"});
  ASSERT_EQ(prn_raster_lines(0, 50), 40);
  ASSERT_EQ(tape_column_count(), 40u);
  // Line 0 (dots 65..80) from column 0; line 1 (dots 49..64) (40 - 20) / 2 = 10 later.
  EXPECT_TRUE(dot(1, 65) && dot(1, 80));
  EXPECT_FALSE(dot(1, 64));
  for (size_t c = 0; c < 11; ++c) EXPECT_FALSE(dot(c, 50)) << c;
  EXPECT_TRUE(dot(11, 49) && dot(11, 64));
  EXPECT_TRUE(dot(27, 49));
  EXPECT_FALSE(dot(28, 49));  // line 1's last glyph ends with 2 blank columns
  EXPECT_TRUE(dot(37, 65));
  EXPECT_FALSE(dot(38, 65));
}

TEST_F(Raster, StartAndCountMeasureAPartOfTheLine) {
  set_label(1, 1, {"AAAAAA"});
  EXPECT_EQ(prn_raster_lines(0, 2), 20);  // the text before a field
  EXPECT_EQ(prn_raster_lines(4, 2), 20);  // the text after it
  EXPECT_EQ(prn_raster_lines(6, 0), 0);
  EXPECT_EQ(prn_raster_lines(50, 50), 0);  // past the line: nothing to measure
  EXPECT_EQ(tape_column_count(), 40u);
}

TEST_F(Raster, BoldGlyphPrintsAllItsColumnsAtDotZero) {
  prn_set_printing_active(1);
  EXPECT_EQ(prn_print_glyph('M', 6, 1), 58);
  prn_set_printing_active(0);
  ASSERT_EQ(tape_column_count(), 58u);
  EXPECT_TRUE(blank(0));
  EXPECT_EQ(ink_span(1), std::make_pair(15, 127));
}

TEST_F(Raster, RotatedLinesPrint14AndNeverFitLonger) {
  LabelRecord* r = set_label(0, 1, {"AAAAAAAAAAAAAAAA"});  // 16
  EXPECT_FALSE(prn_rotated_fits(r));
  EXPECT_FALSE(prn_label_fits(r));
  prn_set_printing_active(1);
  EXPECT_EQ(prn_rotated_render(r), 16);
  prn_set_printing_active(0);
  EXPECT_EQ(r->lines[0].length, 16) << "the record keeps the user's text";
  // 14 glyphs of 7 inked dots, 10 apart; ink width 137 - 1 - 2 = 137 > 126:
  // no centring, the first glyph's ink starts at dot 0.
  EXPECT_TRUE(dot(0, 0));
  EXPECT_TRUE(dot(0, 6));
  EXPECT_FALSE(dot(0, 7));
  EXPECT_TRUE(dot(0, 10));
}

TEST_F(Raster, RotatedLineIsCentredByItsInk) {
  LabelRecord* r = set_label(0, 2, {"AB"});
  prn_set_printing_active(1);
  EXPECT_EQ(prn_rotated_render(r), 25);
  prn_set_printing_active(0);
  // 9pt: 14 wide, ink 28 - 3 = 25; o = (126 - 25) / 2 + 2 = 52.
  // Glyph A's 11 inked columns at dots 52..62, B's at 66..76.
  EXPECT_EQ(ink_span(0), std::make_pair(52, 76));
  EXPECT_EQ(dots_in(0), 22);
}

TEST_F(Raster, FourLinesOf9ptAreOneFullCacheAndSentFromIt) {
  LabelRecord* r = set_label(0, 2, {"A", "B", "C", "D"});
  prn_rotated_prepare(r);
  EXPECT_EQ(prn_rotated_cache_fill(), 100);
  EXPECT_EQ(tape_column_count(), 0u);  // nothing printed before the job
  prn_set_printing_active(1);
  EXPECT_EQ(prn_rotated_emit(r), 100);
  prn_set_printing_active(0);
  EXPECT_EQ(tape_column_count(), 100u);
}

TEST_F(Raster, LargerTextIsRenderedWhilePrintingAndNotCached) {
  LabelRecord* r = set_label(0, 3, {"A", "B", "C"});
  prn_rotated_prepare(r);
  EXPECT_EQ(prn_rotated_cache_fill(), 0);
  EXPECT_EQ(prn_rotated_emit(r), 0);  // not printing, not cacheable: nothing
  prn_set_printing_active(1);
  EXPECT_EQ(prn_rotated_emit(r), 3 * 38);
  prn_set_printing_active(0);
  EXPECT_EQ(tape_column_count(), 114u);
}

TEST_F(Raster, WireMarkerOf6ptIsCachedAndBoldOrLargerIsNot) {
  LabelRecord* r = set_label(27, 1, {"A", "B", "C", "D"});
  prn_rotated_prepare(r);
  EXPECT_EQ(prn_rotated_cache_fill(), 64);
  r->label_type = 1;  // a horizontal type never uses the cache
  prn_rotated_prepare(r);
  EXPECT_EQ(prn_rotated_cache_fill(), 0);
  r->label_type = 27;
  r->font_size = 3;
  prn_rotated_prepare(r);
  EXPECT_EQ(prn_rotated_cache_fill(), 0);
}

TEST_F(Raster, StringPrintsRotatedThroughTheScratchRecord) {
  prn_set_printing_active(1);
  prn_print_string("NumCuts:12", 1, 1);
  EXPECT_EQ(prn_printing_active(), 1);  // the job stays active
  prn_set_printing_active(0);
  EXPECT_EQ(tape_column_count(), 16u);
  EXPECT_EQ(prn_scratch_record()->lines[0].length, 10);
  EXPECT_EQ(lbl_record()->lines[0].length, 0);  // the user's label is untouched
}

TEST_F(Raster, TextFarUpTheHeadStaysInsideTheColumn) {
  // A 40pt block of four lines on the widest band does not fit; the layout
  // still places it and must not write outside the print column.
  set_label(1, 6, {"A", "A", "A", "A"});
  EXPECT_EQ(prn_raster_lines(0, 50), 56);
  LabelRecord* r = set_label(0, 6, {"AAAAAAAAAAAAAA"});
  prn_set_printing_active(1);
  prn_rotated_render(r);
  prn_set_printing_active(0);
  SUCCEED();
}

}  // namespace
