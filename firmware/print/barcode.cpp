#include "firmware/print/barcode.h"

namespace {
struct Pattern39 {
  char ch;
  uint16_t bits;
};

// The 44 Code 39 characters: 12 modules (wide elements of 2, narrow of 1)
// and one space module as the gap between characters.
constexpr Pattern39 kCode39[] = {
    {'0', 0b1010011011010}, {'1', 0b1101001010110}, {'2', 0b1011001010110}, {'3', 0b1101100101010},
    {'4', 0b1010011010110}, {'5', 0b1101001101010}, {'6', 0b1011001101010}, {'7', 0b1010010110110},
    {'8', 0b1101001011010}, {'9', 0b1011001011010}, {'A', 0b1101010010110}, {'B', 0b1011010010110},
    {'C', 0b1101101001010}, {'D', 0b1010110010110}, {'E', 0b1101011001010}, {'F', 0b1011011001010},
    {'G', 0b1010100110110}, {'H', 0b1101010011010}, {'I', 0b1011010011010}, {'J', 0b1010110011010},
    {'K', 0b1101010100110}, {'L', 0b1011010100110}, {'M', 0b1101101010010}, {'N', 0b1010110100110},
    {'O', 0b1101011010010}, {'P', 0b1011011010010}, {'Q', 0b1010101100110}, {'R', 0b1101010110010},
    {'S', 0b1011010110010}, {'T', 0b1010110110010}, {'U', 0b1100101010110}, {'V', 0b1001101010110},
    {'W', 0b1100110101010}, {'X', 0b1001011010110}, {'Y', 0b1100101101010}, {'Z', 0b1001101101010},
    {'-', 0b1001010110110}, {'.', 0b1100101011010}, {' ', 0b1001101011010}, {'$', 0b1001001001010},
    {'/', 0b1001001010010}, {'+', 0b1001010010010}, {'%', 0b1010010010010}, {'*', 0b1001011011010},
};

// Code 128 values 0..106, modules written out from the element widths;
// Start A (103) and Start C (105) are never produced and have no pattern.
constexpr uint16_t kCode128[107] = {
    0b11011001100,    // 0
    0b11001101100,    // 1
    0b11001100110,    // 2
    0b10010011000,    // 3
    0b10010001100,    // 4
    0b10001001100,    // 5
    0b10011001000,    // 6
    0b10011000100,    // 7
    0b10001100100,    // 8
    0b11001001000,    // 9
    0b11001000100,    // 10
    0b11000100100,    // 11
    0b10110011100,    // 12
    0b10011011100,    // 13
    0b10011001110,    // 14
    0b10111001100,    // 15
    0b10011101100,    // 16
    0b10011100110,    // 17
    0b11001110010,    // 18
    0b11001011100,    // 19
    0b11001001110,    // 20
    0b11011100100,    // 21
    0b11001110100,    // 22
    0b11101101110,    // 23
    0b11101001100,    // 24
    0b11100101100,    // 25
    0b11100100110,    // 26
    0b11101100100,    // 27
    0b11100110100,    // 28
    0b11100110010,    // 29
    0b11011011000,    // 30
    0b11011000110,    // 31
    0b11000110110,    // 32
    0b10100011000,    // 33
    0b10001011000,    // 34
    0b10001000110,    // 35
    0b10110001000,    // 36
    0b10001101000,    // 37
    0b10001100010,    // 38
    0b11010001000,    // 39
    0b11000101000,    // 40
    0b11000100010,    // 41
    0b10110111000,    // 42
    0b10110001110,    // 43
    0b10001101110,    // 44
    0b10111011000,    // 45
    0b10111000110,    // 46
    0b10001110110,    // 47
    0b11101110110,    // 48
    0b11010001110,    // 49
    0b11000101110,    // 50
    0b11011101000,    // 51
    0b11011100010,    // 52
    0b11011101110,    // 53
    0b11101011000,    // 54
    0b11101000110,    // 55
    0b11100010110,    // 56
    0b11101101000,    // 57
    0b11101100010,    // 58
    0b11100011010,    // 59
    0b11101111010,    // 60
    0b11001000010,    // 61
    0b11110001010,    // 62
    0b10100110000,    // 63
    0b10100001100,    // 64
    0b10010110000,    // 65
    0b10010000110,    // 66
    0b10000101100,    // 67
    0b10000100110,    // 68
    0b10110010000,    // 69
    0b10110000100,    // 70
    0b10011010000,    // 71
    0b10011000010,    // 72
    0b10000110100,    // 73
    0b10000110010,    // 74
    0b11000010010,    // 75
    0b11001010000,    // 76
    0b11110111010,    // 77
    0b11000010100,    // 78
    0b10001111010,    // 79
    0b10100111100,    // 80
    0b10010111100,    // 81
    0b10010011110,    // 82
    0b10111100100,    // 83
    0b10011110100,    // 84
    0b10011110010,    // 85
    0b11110100100,    // 86
    0b11110010100,    // 87
    0b11110010010,    // 88
    0b11011011110,    // 89
    0b11011110110,    // 90
    0b11110110110,    // 91
    0b10101111000,    // 92
    0b10100011110,    // 93
    0b10001011110,    // 94
    0b10111101000,    // 95
    0b10111100010,    // 96
    0b11110101000,    // 97
    0b11110100010,    // 98
    0b10111011110,    // 99
    0b10111101110,    // 100
    0b11101011110,    // 101
    0b11110101110,    // 102
    0b11010000100,    // 103
    0b11010010000,    // 104
    0b11010011100,    // 105
    0b1100011101011,  // 106
};

// Pattern by character code, 0 for the codes without one.
struct Table39 {
  uint16_t bits[128] = {};
  constexpr Table39() {
    for (const Pattern39& p : kCode39) bits[uint8_t(p.ch)] = p.bits;
  }
};
constexpr Table39 kTable39;
}  // namespace

uint16_t bc_pattern39(uint16_t code) { return code < 128 ? kTable39.bits[code] : 0; }

uint16_t bc_pattern128(uint16_t value) {
  if (value >= 107 || value == 103 || value == 105) return 0;
  return kCode128[value];
}

uint16_t bc_pattern(uint8_t type, uint16_t value) {
  if (type == BC_CODE39) return bc_pattern39(value);
  if (type == BC_CODE128) return bc_pattern128(value);
  return 0;
}

uint8_t bc_symbol_dots(uint8_t type, uint16_t value) {
  if (type == BC_CODE39) return 39;
  if (type == BC_CODE128) return value == BC_STOP ? 39 : 33;
  return 0;
}

bool bc_char_allowed(uint8_t type, uint16_t code) {
  if (type == BC_CODE39) return code != '*' && bc_pattern39(code) != 0;
  // Code set B encodes the printable ASCII codes as themselves; an accented
  // letter or a symbol has no value of its own and is refused when typed.
  if (type == BC_CODE128) return code >= 32 && code <= 126;
  return false;
}

void bc_encode(uint16_t* text, uint16_t length, uint8_t type, uint16_t* values, uint16_t* count) {
  if (type == BC_CODE39) {
    values[0] = '*';
    for (uint16_t i = 0; i < length; ++i) {
      if (text[i] == '*' || bc_pattern39(text[i]) == 0) text[i] = '%';
      values[i + 1] = text[i];
    }
    values[length + 1] = '*';
    *count = uint16_t(length + 2);
  } else if (type == BC_CODE128) {
    values[0] = BC_START_B;
    for (uint16_t i = 0; i < length; ++i) {
      int v = int(text[i]) - 32;
      if (v < 0 || v > 94 || bc_pattern128(uint16_t(v)) == 0) {
        v = 37;
        text[i] = 'E';
      }
      values[i + 1] = uint16_t(v);
    }
    values[length + 1] = bc_checksum128(values, uint16_t(length + 1));
    values[length + 2] = BC_STOP;
    *count = uint16_t(length + 3);
  } else {
    *count = 0;
  }
}

// With Start B first, the first data character has weight 1.
uint16_t bc_checksum128(const uint16_t* values, uint16_t count) {
  if (count == 0) return 0;
  uint32_t sum = values[0];
  for (uint16_t i = 1; i < count; ++i) sum += uint32_t(i) * values[i];
  return uint16_t(sum % 103);
}

void bc_render_column(uint8_t type, uint16_t value, uint16_t c, uint8_t out[8]) {
  uint16_t m = uint16_t(bc_symbol_dots(type, value) / 3);
  uint16_t k = uint16_t(c / 3);
  if (k >= m) return;
  uint8_t fill = (bc_pattern(type, value) >> (m - 1 - k)) & 1 ? 0xFF : 0x00;
  for (int i = 0; i < 8; ++i) out[i] = fill;
}
