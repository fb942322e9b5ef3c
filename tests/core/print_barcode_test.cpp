// The barcode block on the head: bars in dots 32..95, the field's text in
// 9pt bold in dots 0..31, each centred; characters without a symbol print
// replaced while the label text keeps them. Synthetic font: 9pt bold glyphs are 16 wide.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "firmware/print/barcode.h"
#include "firmware/editor/message_ids.h"
#include "firmware/print/engine.h"
#include "firmware/screens/popup.h"
#include "print_test_util.h"

using namespace print_test;

namespace {

// Every printed column, one after the other.
std::vector<uint8_t> tape_bytes() {
  std::vector<uint8_t> out;
  TapeColumn c;
  for (size_t i = 0; tape_column(i, c); ++i) out.insert(out.end(), std::begin(c), std::end(c));
  return out;
}

class BarcodeBlock : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    tape_init();
  }

  LabelRecord* field(const char* text, uint8_t type, uint8_t start = 0, int length = -1) {
    LabelRecord* r = set_label(1, 2, {text});
    r->barcode_type = type;
    r->barcode_start = start;
    r->barcode_length = uint8_t(length < 0 ? r->lines[0].length - start : length);
    return r;
  }

  bool bar(size_t column) { return dot(column, 32) && dot(column, 95) && !dot(column, 96); }
};

TEST_F(BarcodeBlock, Code39OfABIs156BarDotsWithTheTextCentredBelow) {
  LabelRecord* r = field("AB", BC_CODE39);
  uint16_t bars, text;
  bc_block_widths(r, &bars, &text);
  EXPECT_EQ(bars, 4 * 39);
  EXPECT_EQ(text, 32);
  EXPECT_EQ(bc_raster_block(r), 156);
  ASSERT_EQ(tape_column_count(), 156u);
  // "*" is 1001011011010: a bar module (3 columns), two spaces, a bar ...
  EXPECT_TRUE(bar(0) && bar(2));
  EXPECT_FALSE(dot(3, 32) || dot(8, 32));
  EXPECT_TRUE(bar(9));
  // The inter-character gap of the last "*" is the block's last module.
  EXPECT_FALSE(dot(155, 40));
  EXPECT_TRUE(bar(152));
  // Text from column (156 - 32) / 2 = 62; glyph rows at dots 31 - r.
  for (size_t c = 0; c < 63; ++c) ASSERT_FALSE(dot(c, 20)) << c;
  EXPECT_EQ(ink_span(63).first, 7);
  EXPECT_TRUE(dot(63, 31));
  EXPECT_FALSE(dot(63, 6));
  EXPECT_TRUE(dot(91, 31));  // B's last inked column
  EXPECT_FALSE(dot(92, 31));
}

TEST_F(BarcodeBlock, Code128OfAIs138DotsWithCheckValue34) {
  LabelRecord* r = field("A", BC_CODE128);
  uint16_t values[8], count = 0;
  uint16_t text[1] = {'A'};
  bc_encode(text, 1, BC_CODE128, values, &count);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(values[0], 104);
  EXPECT_EQ(values[1], 33);
  EXPECT_EQ(values[2], 34);
  EXPECT_EQ(values[3], 106);
  EXPECT_EQ(bc_raster_block(r), 138);
  // Start B 11010010000 then the stop's 1100011101011 ends on a bar.
  EXPECT_TRUE(bar(0) && bar(5));
  EXPECT_FALSE(dot(6, 40));
  EXPECT_TRUE(bar(137));
  EXPECT_FALSE(dot(60, 20));
  EXPECT_FALSE(dot(61, 20));  // the glyph's blank first column
  EXPECT_TRUE(dot(62, 20));
}

TEST_F(BarcodeBlock, UnencodableCharactersPrintReplacedAndTheLabelTextStays) {
  // "a*" prints as "%%" would (Code 39), a code above 126 as "E" (Code 128);
  // only the field's characters count; the label text keeps what the user
  // typed.
  const struct {
    const char* text;
    uint8_t type;
    uint16_t odd_code;  // put at cell 1 when not 0
    const char* printed;
    uint8_t start, length;
  } cases[] = {{"a*", BC_CODE39, 0, "%%", 0, 2},
               {"xzy", BC_CODE128, 200, "xEy", 0, 3},
               {"a*b*", BC_CODE39, 0, "Z%%Z", 1, 2}};
  for (const auto& c : cases) {
    tape_init();
    field(c.printed, c.type, c.start, c.length);
    bc_raster_block(lbl_record());
    const std::vector<uint8_t> expected = tape_bytes();
    tape_init();
    LabelRecord* r = field(c.text, c.type, c.start, c.length);
    if (c.odd_code) r->lines[0].cells[1] = c.odd_code;
    const LabelRecord before = *r;
    bc_raster_block(r);
    EXPECT_EQ(tape_bytes(), expected) << c.text;
    EXPECT_EQ(std::memcmp(&before, r, sizeof before), 0) << c.text;
  }
}

TEST_F(BarcodeBlock, WideTextCentresTheBars) {
  // Code 39 "1": bars 3 x 39 = 117; text 16. An empty Code 128 field is
  // start, check and stop only: 33 + 33 + 39.
  LabelRecord* r = field("1", BC_CODE39);
  EXPECT_EQ(bc_raster_block(r), 117);
  r = field("", BC_CODE128);
  EXPECT_EQ(bc_raster_block(r), 105);
}

TEST_F(BarcodeBlock, LabelPutsTheBlockBetweenGapsAndTheTextAroundIt) {
  // "1" before the field, "AB" in it, "2" after; 9pt text is 14 wide.
  field("1AB2", BC_CODE39, 1, 2);
  print();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  ASSERT_EQ(tape_column_count(), 78u + 14 + 30 + 156 + 30 + 14 + 78);
  EXPECT_EQ(inked_columns(78 + 14, 78 + 14 + 30), 0u);
  EXPECT_TRUE(bar(78 + 14 + 30));
  EXPECT_EQ(inked_columns(78 + 14 + 30 + 156, 78 + 14 + 60 + 156), 0u);
  EXPECT_FALSE(blank(78 + 14 + 60 + 156 + 1));
  EXPECT_EQ(lbl_record()->barcode_type, BC_CODE39);  // the field stays
}

}  // namespace

// A barcode label is refused on a narrower cartridge put in after the field
// was made, with the barcode menu's own message, however the print is asked for.
TEST_F(BarcodeBlock, NarrowerCartridgeRefusesThePrintWithTheMediaMessage) {
  for (const char* print : {"PRINT", "FUNC PRINT ENTER"}) {
    SCOPED_TRACE(print);
    std::string error;
    lbl_clear_text();
    lbl_set_defaults();
    ASSERT_TRUE(device->run_script("CART:3 LABEL UP ENTER FUNC 2 ENTER TEXT:12 CART:1", error)) << error;
    ASSERT_NE(lbl_record()->barcode_type, 0);
    const uint64_t before = prn_columns_sent();
    msg_popup_history_reset();
    ASSERT_TRUE(device->run_script(print, error)) << error;
    EXPECT_EQ(prn_columns_sent(), before);
    ASSERT_GE(msg_popup_history_count(), 1u);
    EXPECT_EQ(msg_popup_history_at(msg_popup_history_count() - 1), MSG_MEDIA_ONLY);
    device->tick(110);
  }
}
