// Serial values: the letter scheme and its formatting, the value that ends
// at a cell, the end text the serial menu proposes and the run length.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "firmware/editor/label.h"
#include "firmware/print/serial_text.h"

namespace {

std::string letters(uint16_t v, uint8_t base = 'A') {
  uint8_t out[3];
  serial_format_letters(out, v, base);
  return std::string(out, out + 3);
}

uint16_t value_of(const char* text, uint8_t base = 'A') {
  return serial_trailing_letters(reinterpret_cast<const uint8_t*>(text), uint8_t(std::strlen(text)), base);
}

void set_line(const char* text) {
  lbl_clear_text();
  LabelRecord* r = lbl_record();
  LabelLine& ln = r->lines[0];
  ln.length = uint8_t(std::strlen(text));
  for (int i = 0; i < ln.length; ++i) ln.cells[i] = uint8_t(text[i]);
  ln.cursor = ln.length;
}

void set_run(uint8_t cls, uint16_t start, uint16_t increment, const char* end) {
  LabelRecord* r = lbl_record();
  r->serial_class = cls;
  r->serial_start = start;
  r->serial_increment = increment;
  std::memcpy(r->serial_end_text, end, 4);
}

TEST(SerialValue, LettersFormatAndReadBackOverTheWholeRange) {
  EXPECT_EQ(letters(0), "__A");
  EXPECT_EQ(letters(25), "__Z");
  EXPECT_EQ(letters(26), "_AA");
  EXPECT_EQ(letters(51), "_AZ");
  EXPECT_EQ(letters(52), "_BA");
  EXPECT_EQ(letters(701), "_ZZ");
  EXPECT_EQ(letters(702), "AAA");
  EXPECT_EQ(letters(2704), "CZA");
  EXPECT_EQ(letters(18277), "ZZZ");
  EXPECT_EQ(letters(27, 'a'), "_ab");
  for (uint16_t v = 0; v <= SER_MAX_LETTERS; ++v) {
    const std::string s = letters(v);
    ASSERT_EQ(value_of(s.c_str()), v) << s;
  }
  EXPECT_EQ(value_of("X1Z"), 25);
  EXPECT_EQ(value_of("123"), 0xFFFF);
  EXPECT_EQ(value_of(""), 0xFFFF);
}

TEST(SerialValue, TrailingDigits) {
  const uint16_t ab12[] = {'A', 'B', '1', '2'}, ab[] = {'1', '2', 'A', 'B'}, z7[] = {'0', '0', '7'};
  EXPECT_EQ(serial_trailing_number(ab12, 4), 12);
  EXPECT_EQ(serial_trailing_number(ab, 4), 0);
  EXPECT_EQ(serial_trailing_number(z7, 3), 7);
  EXPECT_EQ(serial_trailing_number(z7, 0), 0);
}

TEST(SerialValue, TheValueBeforeTheCursorReadsAtMostThreeAndStopsAtABarcode) {
  set_line("LOT 1234");
  EXPECT_EQ(ser_value_at(7, SER_CLASS_DIGITS), 234);
  EXPECT_EQ(ser_value_at(4, SER_CLASS_DIGITS), 1);
  set_line("abz");
  EXPECT_EQ(ser_value_at(2, SER_CLASS_LOWER), value_of("abz", 'a'));
  set_line("1234");  // a barcode field over "12": the serial is "34"
  LabelRecord* r = lbl_record();
  r->barcode_type = 1;
  r->barcode_start = 0;
  r->barcode_length = 2;
  EXPECT_EQ(ser_value_at(3, SER_CLASS_DIGITS), 34);
  lbl_barcode_clear();
}

TEST(SerialValue, TheEndTextIsTheStartPlusTheIncrementWithinTheScheme) {
  uint8_t block[12] = {};
  auto set = [&](uint8_t cls, uint16_t start, uint16_t inc) {
    std::memset(block, 0, sizeof block);
    block[0] = uint8_t(inc), block[1] = uint8_t(inc >> 8);
    block[4] = uint8_t(start), block[5] = uint8_t(start >> 8);
    block[6] = cls;
  };
  set(SER_CLASS_DIGITS, 7, 5);
  ASSERT_TRUE(ser_format_end(block));
  EXPECT_STREQ(reinterpret_cast<char*>(block + 8), "012");
  set(SER_CLASS_DIGITS, 998, 2);
  EXPECT_FALSE(ser_format_end(block));
  set(SER_CLASS_LOWER, 25, 1);
  ASSERT_TRUE(ser_format_end(block));
  EXPECT_STREQ(reinterpret_cast<char*>(block + 8), "_aa");
  set(SER_CLASS_UPPER, 18277, 1);
  EXPECT_FALSE(ser_format_end(block));
}

TEST(SerialValue, RunLengths) {
  set_run(SER_CLASS_DIGITS, 8, 2, "012");
  EXPECT_EQ(ser_label_count(), 3);  // 8, 10, 12
  set_run(SER_CLASS_DIGITS, 9, 1, "005");
  EXPECT_EQ(ser_label_count(), 1);  // an end below the start: the start alone
  set_run(SER_CLASS_UPPER, 24, 1, "_AB");
  EXPECT_EQ(ser_label_count(), 4);  // Y, Z, AA, AB
  set_run(SER_CLASS_UPPER, 0, 1, "___");
  EXPECT_EQ(ser_label_count(), 0);  // no letters in the end text
  set_run(SER_CLASS_DIGITS, 1, 0, "005");
  EXPECT_EQ(ser_label_count(), 0);
  set_run(SER_CLASS_DIGITS, 1, 1, "005");
  EXPECT_EQ(ser_label_count(), 5);
}

}  // namespace
