#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/popup.h"
#include "host/seam/cartridge.h"
#include "test_font_image.h"

namespace {

void set_feeds(uint8_t lead, uint8_t trail) {
  uint8_t settings[10] = {0, 0, 100, 0, 'C', 0, lead, trail, 0xA4, 0};
  nvm_save_device_settings(settings);
}

// Every label test starts from an empty Banner Landscape label at 9pt on
// 3/4-inch tape (band 126 dots), feeds 78 and 78, the editor showing.
class Label : public ::testing::Test {
 protected:
  void SetUp() override {
    test_font_image::install("label");
    set_feeds(78, 78);
    cart_set_id(3);
    lbl_clear_text();
    lbl_set_defaults();
    r().label_type = 1;
    calm();
  }

  static LabelRecord& r() { return *lbl_record(); }

  // Back to the editor with no popup showing and an empty message record.
  static void calm() {
    ui_set_mode(MODE_EDITOR);
    msg_popup_history_reset();
  }
  static std::vector<int> shown() {
    std::vector<int> ids;
    for (size_t i = 0; i < msg_popup_history_count(); ++i) ids.push_back(msg_popup_history_at(i));
    return ids;
  }

  static void type(const std::string& s) {
    for (char c : s) lbl_insert_char(uint16_t(uint8_t(c)));
  }
  static std::string text(int line) {
    const LabelLine& ln = r().lines[line];
    std::string out;
    for (int i = 0; i < ln.length; ++i) out += char(ln.cells[i]);
    return out;
  }
  static uint8_t cursor() { return r().lines[r().current_line].cursor; }
  static void left(int n) {
    for (int i = 0; i < n; ++i) lbl_cursor_left();
  }
};

using Refusal = std::vector<int>;

// ---- Line and character limits ----

TEST_F(Label, FiftiethCharacterIsAcceptedTheFiftyFirstRefusedWithItsMessage) {
  type(std::string(49, 'A'));
  EXPECT_TRUE(lbl_insert_char('B'));
  EXPECT_EQ(r().lines[0].length, 50);
  LabelRecord before = r();
  EXPECT_FALSE(lbl_insert_char('C'));
  EXPECT_EQ(shown(), Refusal{171});
  EXPECT_EQ(std::memcmp(&before, &r(), sizeof before), 0);
}

TEST_F(Label, EnterOnTheFourthLineOrWithFourLinesInUseShowsMaxFourLines) {
  type("A");
  lbl_new_line(true);
  type("B");
  lbl_new_line(true);
  type("C");
  lbl_new_line(true);
  EXPECT_EQ(r().last_line, 3);
  EXPECT_TRUE(shown().empty());
  lbl_new_line(true);
  EXPECT_EQ(shown(), Refusal{170});
  EXPECT_EQ(r().last_line, 3);

  calm();
  lbl_cursor_up();
  lbl_cursor_up();
  lbl_cursor_up();  // line 0 of four
  lbl_new_line(true);
  EXPECT_EQ(shown(), Refusal{170});
  EXPECT_EQ(r().current_line, 0);
}

TEST_F(Label, EnterInMidLineMovesTheRestToANewLineBelow) {
  type("ONE");
  lbl_new_line(true);
  type("HELLO");
  lbl_new_line(true);
  type("TWO");
  lbl_cursor_up();  // line 1, column 3
  EXPECT_EQ(cursor(), 3);
  lbl_new_line(true);
  EXPECT_EQ(r().last_line, 3);
  EXPECT_EQ(r().current_line, 2);
  EXPECT_EQ(cursor(), 0);
  EXPECT_EQ(text(0), "ONE");
  EXPECT_EQ(text(1), "HEL");
  EXPECT_EQ(text(2), "LO");
  EXPECT_EQ(text(3), "TWO");
}

TEST_F(Label, EnterIsRefusedWhenTheExtraLineWouldNotFit) {
  r().font_size = 6;  // 113 dots: a second line needs 226 on a 126-dot band
  type("A");
  lbl_new_line(true);
  EXPECT_EQ(shown(), Refusal{114});
  EXPECT_EQ(r().last_line, 0);
}

// ---- Backspace and joins ----

TEST_F(Label, BackspaceAtTheStartOfLineZeroDoesNothing) {
  type("AB");
  left(2);
  LabelRecord before = r();
  lbl_backspace();
  EXPECT_EQ(std::memcmp(&before, &r(), sizeof before), 0);
}

TEST_F(Label, BackspaceAtColumnZeroJoinsAndLeavesTheCursorAtTheJoinPoint) {
  type("ABC");
  lbl_new_line(true);
  type("DE");
  lbl_new_line(true);
  type("F");
  lbl_cursor_up();
  lbl_set_column(0);
  lbl_backspace();
  EXPECT_EQ(r().last_line, 1);
  EXPECT_EQ(r().current_line, 0);
  EXPECT_EQ(text(0), "ABCDE");
  EXPECT_EQ(text(1), "F");
  EXPECT_EQ(cursor(), 3);
  EXPECT_EQ(r().lines[2].length, 0);
}

TEST_F(Label, AJoinOverFiftyCharactersIsRefusedWithoutAMessage) {
  type(std::string(30, 'A'));
  lbl_new_line(true);
  type(std::string(21, 'B'));
  lbl_set_column(0);
  lbl_backspace();
  EXPECT_EQ(r().last_line, 1);
  EXPECT_EQ(r().lines[0].length, 30);
  EXPECT_TRUE(shown().empty());
}

TEST_F(Label, AJoinThatNoLongerFitsIsUndoneWithCannotFit) {
  // 30 mm fixed length (240 dots) at 6pt: 5 + 5 characters fit on two lines
  // (50 + 156), joined they need 100 + 156.
  r().label_type = 13;
  r().font_size = 1;
  type("ABCDE");
  lbl_new_line(true);
  type("FGHIJ");
  lbl_set_column(0);
  lbl_backspace();
  EXPECT_EQ(shown(), Refusal{114});
  EXPECT_EQ(r().last_line, 1);
  EXPECT_EQ(text(0), "ABCDE");
  EXPECT_EQ(text(1), "FGHIJ");
  EXPECT_EQ(r().current_line, 1);
  EXPECT_EQ(cursor(), 0);
}

// ---- Fit after an insertion, by label type ----

TEST_F(Label, FixedLengthWithAutoFontIsTestedAt6pt) {
  // 240 dots: 8 characters at 6pt (80 + 156 = 236) fit; at 9pt they would
  // need 112 + 156. The ninth outgrows the length and is taken back.
  r().label_type = 13;
  r().font_size = 0;
  type("ABCDEFGH");
  EXPECT_EQ(text(0), "ABCDEFGH");
  EXPECT_TRUE(shown().empty());
  EXPECT_FALSE(lbl_insert_char('I'));
  EXPECT_EQ(shown(), Refusal{114});
  EXPECT_EQ(text(0), "ABCDEFGH");
  EXPECT_EQ(cursor(), 8);
  EXPECT_EQ(r().font_size, 0);
}

TEST_F(Label, FixedLengthTextThatReachesTheLengthExactlyStaysButNothingMoreGoesIn) {
  // After the insertion the text may equal the length (only a longer one is
  // taken back); the check before the next insertion wants it shorter.
  set_feeds(70, 70);
  r().label_type = 13;
  r().font_size = 1;
  type("ABCDEFGHIJ");  // 100 + 140 = 240
  EXPECT_EQ(r().lines[0].length, 10);
  EXPECT_TRUE(shown().empty());
  EXPECT_FALSE(lbl_insert_char('K'));
  EXPECT_EQ(shown(), Refusal{114});
  EXPECT_EQ(r().lines[0].length, 10);
}

TEST_F(Label, BannerPortraitTakesBackACharacterThatOutgrowsTheBand) {
  // Ink of n characters at 6pt is 10n - 3: 12 fit the 126-dot band, 13 not.
  r().label_type = 0;
  r().font_size = 1;
  type(std::string(12, 'A'));
  EXPECT_TRUE(shown().empty());
  EXPECT_FALSE(lbl_insert_char('A'));
  EXPECT_EQ(shown(), Refusal{114});
  EXPECT_EQ(r().lines[0].length, 12);
}

TEST_F(Label, BannerLandscapeAndType46MakeNoTestAfterTheInsertion) {
  for (uint8_t t : {uint8_t(1), uint8_t(46)}) {
    lbl_clear_text();
    r().label_type = t;
    type(std::string(50, 'W'));
    EXPECT_EQ(r().lines[0].length, 50) << int(t);
  }
  EXPECT_TRUE(shown().empty());
}

TEST_F(Label, AnInsertionIntoALabelThatAlreadyFailsIsRefused) {
  cart_set_id(0);  // no tape: no band
  EXPECT_FALSE(lbl_insert_char('A'));
  EXPECT_EQ(shown(), Refusal{114});
  EXPECT_EQ(r().lines[0].length, 0);
}

// ---- Barcode field ----

class LabelBarcode : public Label {
 protected:
  // "AB", a Code 39 field "12" from column 2, the cursor at the line's end
  // inside the field.
  void field() {
    type("AB");
    ASSERT_TRUE(lbl_barcode_begin(1));
    type("12");
  }
};

TEST_F(LabelBarcode, TheFieldGrowsWithTheCharactersTypedIntoIt) {
  field();
  EXPECT_EQ(r().barcode_type, 1);
  EXPECT_EQ(r().barcode_active, 1);
  EXPECT_EQ(r().barcode_start, 2);
  EXPECT_EQ(r().barcode_length, 2);
  EXPECT_EQ(text(0), "AB12");
}

TEST_F(LabelBarcode, TheCursorNeedsOneExtraPressAtEachEndOfTheField) {
  field();
  lbl_cursor_right();  // end of line, inside: leave the field
  EXPECT_EQ(r().barcode_active, 0);
  EXPECT_EQ(cursor(), 4);
  lbl_cursor_left();  // right after the field: enter it without moving
  EXPECT_EQ(r().barcode_active, 1);
  EXPECT_EQ(cursor(), 4);
  left(2);
  EXPECT_EQ(cursor(), 2);
  EXPECT_EQ(r().barcode_active, 1);
  lbl_cursor_left();  // at its start: leave it without moving
  EXPECT_EQ(r().barcode_active, 0);
  EXPECT_EQ(cursor(), 2);
  lbl_cursor_left();
  EXPECT_EQ(cursor(), 1);
  lbl_cursor_right();
  lbl_cursor_right();  // outside at its start: enter
  EXPECT_EQ(cursor(), 2);
  EXPECT_EQ(r().barcode_active, 1);
  lbl_cursor_right();
  lbl_cursor_right();
  EXPECT_EQ(cursor(), 4);
}

TEST_F(LabelBarcode, ACharacterTheSymbologyCannotEncodeIsRefusedWithError) {
  field();
  EXPECT_FALSE(lbl_insert_char('a'));
  EXPECT_EQ(shown(), Refusal{115});
  calm();
  EXPECT_FALSE(lbl_insert_char('*'));
  EXPECT_EQ(shown(), Refusal{115});
  EXPECT_EQ(r().barcode_length, 2);
}

TEST_F(LabelBarcode, TextTypedBeforeTheFieldMovesItsStart) {
  field();
  lbl_cursor_right();  // leave
  left(5);             // enter, two steps, leave at the start, one step
  EXPECT_EQ(cursor(), 1);
  EXPECT_EQ(r().barcode_active, 0);
  type("X");
  EXPECT_EQ(r().barcode_start, 3);
  EXPECT_EQ(r().barcode_length, 2);
  EXPECT_EQ(text(0), "AXB12");
  lbl_backspace();
  EXPECT_EQ(r().barcode_start, 2);
  EXPECT_EQ(text(0), "AB12");
}

TEST_F(LabelBarcode, BackspaceRightAfterTheFieldDeletesTheWholeField) {
  field();
  type("");
  lbl_cursor_right();  // leave at the end
  lbl_backspace();
  EXPECT_EQ(text(0), "AB");
  EXPECT_EQ(r().barcode_type, 0);
  EXPECT_EQ(r().barcode_length, 0);
}

TEST_F(LabelBarcode, BackspaceInsideTheFieldDeletesItsCharactersThenTheEmptyFieldGoes) {
  field();
  lbl_backspace();
  lbl_backspace();
  EXPECT_EQ(text(0), "AB");
  EXPECT_EQ(r().barcode_type, 1);
  EXPECT_EQ(r().barcode_length, 0);
  lbl_backspace();  // an empty field is removed, the text stays
  EXPECT_EQ(r().barcode_type, 0);
  EXPECT_EQ(text(0), "AB");
}

TEST_F(LabelBarcode, BackspaceAtTheFieldsFirstColumnInsideDoesNothing) {
  field();
  left(2);
  LabelRecord before = r();
  lbl_backspace();
  EXPECT_EQ(std::memcmp(&before, &r(), sizeof before), 0);
}

TEST_F(LabelBarcode, AFieldOnlyOnAOneLineBannerLandscapeLabelOnThreeQuarterInchTape) {
  type("A");
  cart_set_id(2);
  EXPECT_FALSE(lbl_barcode_begin(1));
  cart_set_id(3);
  r().label_type = 2;
  EXPECT_FALSE(lbl_barcode_begin(1));
  r().label_type = 1;
  lbl_new_line(true);
  EXPECT_FALSE(lbl_barcode_begin(1));
  EXPECT_EQ(r().barcode_type, 0);
}

TEST_F(LabelBarcode, Code128TextThatCode39CannotTakeIsDroppedOtherChangesKeepIt) {
  type("AB");
  ASSERT_TRUE(lbl_barcode_begin(2));
  type("x1");
  type("");
  lbl_cursor_right();
  type("Z");
  ASSERT_EQ(text(0), "ABx1Z");
  ASSERT_TRUE(lbl_barcode_begin(1));
  EXPECT_EQ(text(0), "ABZ");
  EXPECT_EQ(r().barcode_type, 1);
  EXPECT_EQ(r().barcode_start, 2);
  EXPECT_EQ(r().barcode_length, 0);
  EXPECT_EQ(cursor(), 2);

  type("12");
  ASSERT_TRUE(lbl_barcode_begin(2));  // 39 to 128 keeps the characters
  EXPECT_EQ(text(0), "AB12Z");
  EXPECT_EQ(r().barcode_length, 2);
  ASSERT_TRUE(lbl_barcode_begin(1));  // 128 to 39 with digits only keeps them
  EXPECT_EQ(text(0), "AB12Z");
  EXPECT_EQ(r().barcode_length, 2);
}

TEST_F(LabelBarcode, LeavingBannerLandscapeDropsTheFieldButKeepsItsCharacters) {
  field();
  lbl_set_type(3);
  EXPECT_EQ(r().barcode_type, 0);
  EXPECT_EQ(r().barcode_active, 0);
  EXPECT_EQ(text(0), "AB12");
  EXPECT_EQ(r().label_type, 3);
}

TEST_F(LabelBarcode, PrintedLengthCountsTextGapsAndSymbolsWithoutRewritingTheField) {
  field();  // 9pt: 14 dots a character
  EXPECT_EQ(lbl_length_dots(2), 2 * 14 + 60 + 4 * 39);
  EXPECT_EQ(lbl_length_dots(0), 2 * 14 + 60 + 4 * 39 + 78);
  EXPECT_EQ(lbl_length_dots(1), 2 * 14 + 60 + 4 * 39 + 156);

  // A Code 128 field refuses code 136 (an accented letter); one that an
  // old record holds prints as "E", and measuring leaves it as it is.
  lbl_clear_text();
  ASSERT_TRUE(lbl_barcode_begin(2));
  EXPECT_FALSE(lbl_insert_char(136));
  ASSERT_TRUE(lbl_insert_char('A'));
  r().lines[0].cells[0] = 136;
  EXPECT_EQ(lbl_length_dots(2), 60 + 33 + 33 + 33 + 39);
  EXPECT_EQ(r().lines[0].cells[0], 136);
}

// ---- Settings, checksum and loading ----

TEST_F(Label, DefaultsSetTheFactorySettingsAndKeepTheUsersOwn) {
  LabelRecord& rec = r();
  std::memset(&rec, 0x5A, sizeof rec);
  lbl_set_defaults();
  EXPECT_EQ(rec.label_type, 26);
  EXPECT_EQ(rec.font_size, 2);
  EXPECT_EQ(rec.bold, 0);
  EXPECT_EQ(rec.copies, 1);
  EXPECT_EQ(rec.serial_print, 0);
  EXPECT_EQ(rec.rotation, 0);
  EXPECT_EQ(rec.spacing_choice, 2);
  EXPECT_EQ(rec.block_count, 1);
  EXPECT_EQ(rec.custom_spacing, 2);
  EXPECT_EQ(rec.serial_increment, 1);
  EXPECT_EQ(rec.barcode_type, 0);
  EXPECT_EQ(rec.barcode_active, 0);
  EXPECT_EQ(rec.barcode_length, 0);
  EXPECT_EQ(rec.barcode_start, 0);
  for (uint8_t b : rec.file_name) EXPECT_EQ(b, 0);
  EXPECT_EQ(rec.units, 0x5A);
  EXPECT_EQ(rec.block_serial, 0x5A);
  EXPECT_EQ(rec.serial_start, 0x5A5A);
  EXPECT_EQ(rec.serial_end_text[0], 0x5A);
  EXPECT_EQ(rec.last_line, 0x5A);  // the text belongs to lbl_clear_text
  EXPECT_EQ(rec.checksum, 0x5A5A5A5Au);
}

TEST_F(Label, ChecksumIsTheByteSumOfTheFirst460Bytes) {
  LabelRecord rec;
  std::memset(&rec, 0xFF, sizeof rec);
  EXPECT_EQ(lbl_checksum(&rec), 460u * 255u);
  EXPECT_FALSE(lbl_checksum_ok(&rec));  // an erased or deleted slot is empty
  rec.checksum = lbl_checksum(&rec);
  EXPECT_TRUE(lbl_checksum_ok(&rec));
  reinterpret_cast<uint8_t*>(&rec)[459] = 0;
  EXPECT_FALSE(lbl_checksum_ok(&rec));
}

TEST_F(Label, LoadTakesTheJournalledLabelOrFallsBackToDefaults) {
  lbl_clear_text();
  lbl_load();  // empty journal
  EXPECT_EQ(r().label_type, 26);
  EXPECT_TRUE(lbl_is_empty());

  type("SAVED");
  r().custom_spacing = 0;
  r().units = 1;
  ser_set_cache(7);
  nvm_save_working_label(lbl_record());
  lbl_clear_text();
  lbl_set_defaults();
  lbl_load();
  EXPECT_EQ(text(0), "SAVED");
  EXPECT_EQ(r().units, 1);
  EXPECT_EQ(r().custom_spacing, 2);  // a spacing of 0 becomes 2
  EXPECT_EQ(ser_cache(), 0);
}

TEST_F(Label, ADamagedJournalEntryFallsBackWithoutLeakingItsBytes) {
  LabelRecord bad;
  std::memset(&bad, 0x33, sizeof bad);
  bad.checksum = 1;
  uint8_t marker = 0xAC;
  spi_write(&marker, 0xFC000, 1);
  spi_write(reinterpret_cast<uint8_t*>(&bad), 0xFC001, sizeof bad);
  r().units = 1;
  lbl_load();
  EXPECT_EQ(r().label_type, 26);
  EXPECT_TRUE(lbl_is_empty());
  EXPECT_EQ(r().units, 1);
}

TEST_F(Label, TypeTablesGiveLengthsUnitsAndCaptions) {
  EXPECT_EQ(lbl_fixed_length_dots(2), 203);
  EXPECT_EQ(lbl_fixed_length_dots(3), 304);
  EXPECT_EQ(lbl_fixed_length_dots(12), 1219);
  EXPECT_EQ(lbl_fixed_length_dots(13), 240);
  EXPECT_EQ(lbl_fixed_length_dots(25), 1200);
  EXPECT_EQ(lbl_fixed_length_dots(26), 0);
  EXPECT_EQ(lbl_wire_length_dots(26), 152);
  EXPECT_EQ(lbl_wire_length_dots(35), 1219);
  EXPECT_EQ(lbl_wire_length_dots(36), 160);
  EXPECT_EQ(lbl_wire_length_dots(45), 1200);
  EXPECT_EQ(lbl_wire_length_dots(46), 0);
  EXPECT_TRUE(lbl_type_is_inch(47));
  EXPECT_FALSE(lbl_type_is_inch(49));
  EXPECT_FALSE(lbl_type_is_metric(36));
  EXPECT_FALSE(lbl_type_is_inch(37));
  EXPECT_TRUE(lbl_type_is_metric(38));
  EXPECT_EQ(lbl_type_caption_id(0), 23);
  EXPECT_EQ(lbl_type_caption_id(1), 24);
  EXPECT_EQ(lbl_type_caption_id(25), 25);
  EXPECT_EQ(lbl_type_caption_id(46), 52);
  EXPECT_EQ(lbl_type_caption_id(49), 73);
  EXPECT_EQ(lbl_type_caption_id(50), 74);
  EXPECT_EQ(lbl_type_caption_id(51), 0);
}

TEST_F(Label, ARecordOutOfRangeIsClampedBeforeAnyEdit) {
  r().current_line = 9;
  r().last_line = 7;
  r().lines[3].length = 200;
  r().lines[3].cursor = 250;
  EXPECT_FALSE(lbl_insert_char('A'));  // a full line now, never written past cell 50
  EXPECT_EQ(shown(), Refusal{171});
  EXPECT_EQ(r().last_line, 3);
  EXPECT_EQ(r().current_line, 3);
  EXPECT_EQ(r().lines[3].length, 50);
  EXPECT_EQ(r().lines[3].cursor, 50);
}

// ---- The alphanumeric step of block labels ----

TEST_F(Label, SerialStepCountsOnWithCarry) {
  const char* cases[][2] = {{"9", "10"},   {"A9", "A10"}, {"AZ", "BA"},     {"ZZ", "AAA"},
                            {"99", "100"}, {"az", "ba"},  {"X-09", "X-10"}, {"b7", "b8"}};
  for (auto& c : cases) {
    lbl_clear_text();
    type(c[0]);
    EXPECT_TRUE(ser_increment_text()) << c[0];
    EXPECT_EQ(text(0), c[1]) << c[0];
    EXPECT_EQ(cursor(), r().lines[0].length) << c[0];
  }
  lbl_clear_text();
  type("A1B");
  lbl_set_column(2);  // after the "1": only the run before the cursor counts
  EXPECT_TRUE(ser_increment_text());
  EXPECT_EQ(text(0), "A2B");
}

TEST_F(Label, SerialStepAtColumnZeroSucceedsOnOtherCharactersFails) {
  type("A-");
  lbl_set_column(0);
  EXPECT_TRUE(ser_increment_text());
  lbl_set_column(2);
  EXPECT_FALSE(ser_increment_text());
  EXPECT_EQ(text(0), "A-");
}

TEST_F(Label, ARefusedSerialStepLeavesTextAndCursorAsTheyWere) {
  type(std::string(48, '-') + "99");
  EXPECT_FALSE(ser_increment_text());
  EXPECT_EQ(text(0), std::string(48, '-') + "99");
  EXPECT_EQ(cursor(), 50);
  EXPECT_TRUE(shown().empty());  // the step runs in the print job, which reports it after the job
}

TEST(NumberText, FixedWidthFormatAndParse) {
  uint8_t buf[6];
  EXPECT_EQ(num_format_fixed(7, buf, 3), 3);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "007");
  num_format_fixed(1234, buf, 3);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "234");
  num_format_fixed(65535, buf, 5);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "65535");
  const uint8_t text[] = {'1', 'a', '3'};
  EXPECT_EQ(num_parse_fixed(text, 3), 103);
  const uint8_t big[] = {'9', '9', '9', '9', '9', '9'};
  EXPECT_EQ(num_parse_fixed(big, 6), uint16_t(999999));
}

}  // namespace
