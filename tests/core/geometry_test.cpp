#include <gtest/gtest.h>

#include <string>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/geometry.h"
#include "firmware/print/text_width.h"
#include "host/seam/cartridge.h"
#include "test_font_image.h"

namespace {

void set_feeds(uint8_t lead, uint8_t trail) {
  uint8_t settings[10] = {0, 0, 100, 0, 'C', 0, lead, trail, 0xA4, 0};
  nvm_save_device_settings(settings);
}

// Fit checks on a record of the test's own: lines of n characters (10 dots a
// character at 6pt, 14 at 9pt with the test font), feeds 78 and 78.
class Fit : public ::testing::Test {
 protected:
  LabelRecord rec{};

  void SetUp() override {
    test_font_image::install("geometry");
    set_feeds(78, 78);
    cart_set_id(3);
  }

  void label(uint8_t type, uint8_t size, std::initializer_list<int> line_lengths) {
    rec = LabelRecord{};
    rec.label_type = type;
    rec.font_size = size;
    int i = 0;
    for (int n : line_lengths) {
      for (int k = 0; k < n; ++k) rec.lines[i].cells[k] = 'A';
      rec.lines[i].length = uint8_t(n);
      ++i;
    }
    rec.last_line = uint8_t(i - 1);
  }
  bool fits() { return prn_label_fits(&rec); }
};

TEST(PrintBand, HeightAndFirstDotPerCartridge) {
  uint8_t a, b;
  prn_print_band(3, &a, &b);
  EXPECT_EQ(a, 126);
  EXPECT_EQ(b, 2);
  prn_print_band(4, &a, &b);
  EXPECT_EQ(a, 35);
  EXPECT_EQ(b, 86);
  prn_print_band(8, &a, &b);
  EXPECT_EQ(a, 18);
  EXPECT_EQ(b, 18);
  prn_print_band(11, &a, &b);
  EXPECT_EQ(a, 82);
  EXPECT_EQ(b, 17);
  prn_print_band(0, &a, &b);
  EXPECT_EQ(a, 0);
  prn_print_band(12, &a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
}

TEST_F(Fit, ThreeQuarterInchTakesOneLineOf40ptNotTwo) {
  label(1, 6, {3});
  EXPECT_TRUE(fits());  // 113 <= 126
  label(1, 6, {3, 3});
  EXPECT_FALSE(fits());  // 226
}

TEST_F(Fit, NarrowestSleeveTakesOnlyOneLineOf6ptBannerLandscape) {
  cart_set_id(8);  // band 18
  label(1, 1, {4});
  EXPECT_TRUE(fits());
  label(1, 0, {4});  // Auto is tested as 6pt
  EXPECT_TRUE(fits());
  label(1, 2, {4});
  EXPECT_FALSE(fits());
  label(1, 1, {4, 4});
  EXPECT_FALSE(fits());
  label(0, 1, {1});
  EXPECT_FALSE(fits());  // Banner Portrait never on a sleeve
  label(27, 1, {1});
  EXPECT_FALSE(fits());
  label(47, 1, {1});
  EXPECT_FALSE(fits());
}

TEST_F(Fit, SelfLaminatingTakesBannerLandscapeAndType46NotWireSizesOrBlocks) {
  cart_set_id(4);  // band 35
  label(1, 1, {5});
  EXPECT_TRUE(fits());
  label(46, 1, {5, 5});
  EXPECT_TRUE(fits());  // 32 <= 35
  label(46, 2, {5, 5});
  EXPECT_FALSE(fits());  // 50
  label(30, 1, {1});
  EXPECT_FALSE(fits());
  label(0, 1, {1});
  EXPECT_FALSE(fits());
  label(49, 1, {1});
  EXPECT_FALSE(fits());
}

TEST_F(Fit, FixedLengthNeedsTextPlusBothFeedsStrictlyShorter) {
  label(3, 1, {10});  // 100 + 156 = 256 against 304
  EXPECT_TRUE(fits());
  EXPECT_EQ(lbl_record_length_dots(&rec, 1), 256);
  label(2, 1, {10});  // against 203
  EXPECT_FALSE(fits());
  set_feeds(70, 70);
  label(13, 1, {10});  // 240 against 240
  EXPECT_FALSE(fits());
  set_feeds(69, 70);
  EXPECT_TRUE(fits());
  label(13, 2, {1, 1});  // barcode or not, lines count in the band
  rec.barcode_type = 1;
  EXPECT_FALSE(fits());  // a barcode field with more than one line
}

TEST_F(Fit, WireMarkerRepeatsAfterTheLeadFeed) {
  label(27, 2, {3});  // one inch: M = 203, R = 125, h = 25
  uint16_t repeats, remainder;
  prn_wire_repeats(&rec, &repeats, &remainder);
  EXPECT_EQ(repeats, 5);
  EXPECT_EQ(remainder, 0);
  EXPECT_TRUE(fits());

  label(27, 1, {3, 3});  // h = 32: 3 repeats, 29 left
  prn_wire_repeats(&rec, &repeats, &remainder);
  EXPECT_EQ(repeats, 3);
  EXPECT_EQ(remainder, 29);

  set_feeds(160, 78);  // M = 152 < lead: nothing fits
  label(26, 1, {1});
  prn_wire_repeats(&rec, &repeats, &remainder);
  EXPECT_EQ(repeats, 0);
  EXPECT_EQ(remainder, 0);
  EXPECT_FALSE(fits());

  label(46, 1, {1});  // no length of its own
  prn_wire_repeats(&rec, &repeats, &remainder);
  EXPECT_EQ(repeats, 0);
}

TEST_F(Fit, WireMarkerTextMustFitAcrossTheBand) {
  label(30, 1, {12});  // ink 117
  EXPECT_TRUE(fits());
  label(30, 1, {13});  // ink 127 > 126
  EXPECT_FALSE(fits());
  EXPECT_FALSE(prn_rotated_fits(&rec));
}

TEST_F(Fit, Type46RepeatsTheBlockAcrossTheBand) {
  label(46, 2, {3});
  EXPECT_EQ(prn_band_repeats(&rec), 5);  // 126 / 25
  EXPECT_TRUE(fits());
  label(46, 6, {3, 3, 3});  // 339 dots
  EXPECT_EQ(prn_band_repeats(&rec), 0);
  EXPECT_FALSE(fits());
}

TEST_F(Fit, BlockPitchBySpacingChoiceAndUnits) {
  label(49, 1, {1});  // terminal block, millimetres
  rec.spacing_choice = 1;
  EXPECT_EQ(prn_record_block_pitch(&rec), 48);
  rec.spacing_choice = 0;
  EXPECT_EQ(prn_record_block_pitch(&rec), 64);
  rec.spacing_choice = 4;
  rec.custom_spacing = 5;
  EXPECT_EQ(prn_record_block_pitch(&rec), 40);
  rec.label_type = 47;  // inches
  EXPECT_EQ(prn_record_block_pitch(&rec), 101);
  rec.spacing_choice = 3;
  EXPECT_EQ(prn_record_block_pitch(&rec), 122);
  rec.spacing_choice = 2;
  EXPECT_EQ(prn_record_block_pitch(&rec), 41);
}

TEST_F(Fit, TerminalBlockFitsItsPitch) {
  label(49, 1, {2, 2});  // rotated block of 32 dots in a 48-dot pitch
  rec.spacing_choice = 1;
  rec.rotation = 1;
  EXPECT_TRUE(fits());
  label(49, 1, {2, 2, 2});  // 48 is not below the pitch
  rec.spacing_choice = 1;
  rec.rotation = 1;
  EXPECT_FALSE(fits());

  label(47, 1, {12});  // along the tape: 120 dots in a 122-dot pitch, no feeds
  rec.spacing_choice = 0;
  EXPECT_TRUE(fits());
  label(47, 1, {13});
  rec.spacing_choice = 0;
  EXPECT_FALSE(fits());
}

TEST_F(Fit, NoCartridgeFitsNothingWithABand) {
  cart_set_id(0);
  label(1, 1, {1});
  EXPECT_FALSE(fits());
  label(0, 1, {1});
  EXPECT_FALSE(fits());
}

TEST_F(Fit, FeedsFallBackToTheFactoryValuesWhileTheSettingsAreBad) {
  uint8_t lead = 0, trail = 0;
  prn_settings_feeds(&lead, &trail);
  EXPECT_EQ(lead, 78);
  set_feeds(10, 20);
  prn_settings_feeds(&lead, &trail);
  EXPECT_EQ(lead, 10);
  EXPECT_EQ(trail, 20);
  nvm_erase_device_settings();
  spi_erase_sector(NVM_SETTINGS_BACKUP_ADDR);
  prn_settings_feeds(&lead, &trail);
  EXPECT_EQ(lead, 78);
  EXPECT_EQ(trail, 78);
}

TEST_F(Fit, TextAndInkWidths) {
  const uint16_t codes[] = {'A', 'B', 'C'};
  EXPECT_EQ(prn_text_width(1, 0, codes, 3), 30);
  EXPECT_EQ(prn_text_width(2, 1, codes, 3), 48);
  EXPECT_EQ(prn_text_width(0, 0, codes, 3), 30);  // Auto measures as 6pt
  EXPECT_EQ(prn_ink_width(1, 0, codes, 3), 27);
  EXPECT_EQ(prn_ink_width(1, 0, codes, 0), 0);
  uint16_t many[50];
  for (uint16_t& c : many) c = 'W';
  EXPECT_EQ(prn_text_width(6, 1, many, 50), 50 * 58);
}

}  // namespace
