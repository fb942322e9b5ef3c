#include <gtest/gtest.h>

#include <vector>

#include "firmware/print/barcode.h"

namespace {

struct Encoded {
  std::vector<uint16_t> text, values;
  int bar_dots = 0;
};

Encoded encode(std::vector<uint16_t> text, uint8_t type) {
  Encoded e;
  uint16_t values[64];
  uint16_t count = 0;
  bc_encode(text.data(), uint16_t(text.size()), type, values, &count);
  e.text = text;
  e.values.assign(values, values + count);
  for (uint16_t v : e.values) e.bar_dots += bc_symbol_dots(type, v);
  return e;
}

using Codes = std::vector<uint16_t>;

TEST(Code39, ValuesAndBarWidthOfAB) {
  Encoded e = encode({'A', 'B'}, BC_CODE39);
  EXPECT_EQ(e.values, (Codes{'*', 'A', 'B', '*'}));
  EXPECT_EQ(e.bar_dots, 156);
}

TEST(Code39, CharactersWithoutASymbolBecomePercentInTheText) {
  Encoded e = encode({'a', '*'}, BC_CODE39);
  EXPECT_EQ(e.text, (Codes{'%', '%'}));
  EXPECT_EQ(e.values, (Codes{'*', '%', '%', '*'}));
  EXPECT_EQ(encode({}, BC_CODE39).values, (Codes{'*', '*'}));
}

TEST(Code39, PatternsOf12ModulesAndTheGap) {
  EXPECT_EQ(bc_pattern39('0'), 5338);  // 1010011011010
  EXPECT_EQ(bc_pattern39('*'), 4826);  // 1001011011010
  EXPECT_EQ(bc_pattern39('A'), 0b1101010010110);
  EXPECT_EQ(bc_pattern39(' '), 0b1001101011010);
  EXPECT_EQ(bc_pattern39('%'), 0b1010010010010);
  EXPECT_EQ(bc_pattern39('a'), 0);
  EXPECT_EQ(bc_pattern39(0x141), 0);
  int with_pattern = 0;
  for (uint16_t c = 0; c < 256; ++c) with_pattern += bc_pattern39(c) != 0;
  EXPECT_EQ(with_pattern, 44);
}

TEST(Code128, ValuesCheckAndBarWidthOfA) {
  Encoded e = encode({'A'}, BC_CODE128);
  EXPECT_EQ(e.values, (Codes{104, 33, 34, 106}));
  EXPECT_EQ(e.bar_dots, 138);
}

TEST(Code128, EmptyFieldIsStartCheckAndStop) { EXPECT_EQ(encode({}, BC_CODE128).values, (Codes{104, 1, 106})); }

TEST(Code128, ACheckValueAbove94PrintsItsOwnPattern) {
  Encoded e = encode({'3', 'H'}, BC_CODE128);  // 104 + 19 + 2 x 40 = 203, mod 103 = 100
  EXPECT_EQ(e.values[3], 100);
  EXPECT_EQ(bc_pattern128(100), 0b10111101110);  // widths 1 1 4 1 3 1
}

TEST(Code128, CodesAbove126PrintAsE) {
  Encoded e = encode({'A', 127, 136, 0x250}, BC_CODE128);
  EXPECT_EQ(e.text, (Codes{'A', 'E', 'E', 'E'}));
  EXPECT_EQ(e.values[2], 37);
  EXPECT_EQ(e.values[4], 37);
}

TEST(Code128, PatternsOfStartStopAndData) {
  EXPECT_EQ(bc_pattern128(0), 1740);
  EXPECT_EQ(bc_pattern128(104), 1680);
  EXPECT_EQ(bc_pattern128(106), 6379);
  EXPECT_EQ(bc_pattern128(33), 0b10100011000);
  EXPECT_EQ(bc_pattern128(102), 0b11110101110);
  EXPECT_EQ(bc_pattern128(103), 0);
  EXPECT_EQ(bc_pattern128(105), 0);
  EXPECT_EQ(bc_pattern128(107), 0);
  EXPECT_EQ(bc_pattern(BC_CODE39, '0'), 5338);
  EXPECT_EQ(bc_pattern(BC_CODE128, 0), 1740);
  EXPECT_EQ(bc_pattern(3, 0), 0);
}

TEST(Code128, ChecksumWeighsFromTheFirstDataCharacter) {
  const uint16_t values[] = {104, 10, 20, 30};
  EXPECT_EQ(bc_checksum128(values, 4), (104 + 10 + 40 + 90) % 103);
}

TEST(BarcodeChars, WhatAFieldAccepts) {
  EXPECT_TRUE(bc_char_allowed(BC_CODE39, 'Z'));
  EXPECT_TRUE(bc_char_allowed(BC_CODE39, '$'));
  EXPECT_TRUE(bc_char_allowed(BC_CODE39, ' '));
  EXPECT_FALSE(bc_char_allowed(BC_CODE39, '*'));
  EXPECT_FALSE(bc_char_allowed(BC_CODE39, 'z'));
  // Code 128: the printable ASCII codes 32..126 that code set B encodes as
  // themselves; never an accented letter (128..) or a symbol.
  std::vector<uint16_t> accepted;
  for (uint16_t c = 0; c < 600; ++c)
    if (bc_char_allowed(BC_CODE128, c)) accepted.push_back(c);
  ASSERT_EQ(accepted.size(), 95u);
  EXPECT_EQ(accepted.front(), 32);
  EXPECT_EQ(accepted.back(), 126);
  EXPECT_FALSE(bc_char_allowed(0, 'A'));
}

TEST(BarcodeChars, SymbolWidthsInDots) {
  EXPECT_EQ(bc_symbol_dots(BC_CODE39, '*'), 39);
  EXPECT_EQ(bc_symbol_dots(BC_CODE128, 106), 39);
  EXPECT_EQ(bc_symbol_dots(BC_CODE128, 5), 33);
  EXPECT_EQ(bc_symbol_dots(0, 5), 0);
}

TEST(BarcodeChars, AColumnIsThreeDotsOfOneModule) {
  uint8_t out[8];
  // Start B: 11010010000
  bc_render_column(BC_CODE128, 104, 5, out);
  EXPECT_EQ(out[0], 0xFF);
  bc_render_column(BC_CODE128, 104, 6, out);
  EXPECT_EQ(out[7], 0x00);
  bc_render_column(BC_CODE128, 104, 9, out);
  EXPECT_EQ(out[3], 0xFF);
  out[0] = 0x5A;
  bc_render_column(BC_CODE128, 104, 33, out);  // past the symbol: untouched
  EXPECT_EQ(out[0], 0x5A);
  bc_render_column(BC_CODE128, 106, 38, out);  // the Stop's last module is a bar
  EXPECT_EQ(out[0], 0xFF);
}

}  // namespace
