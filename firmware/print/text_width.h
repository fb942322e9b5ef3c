// Widths of printed text along the tape, from the font layer's metrics.
#pragma once
#include <cstdint>

// Sum of the advance widths of n codes (wraps at 65536).
uint16_t prn_text_width(uint8_t size, uint8_t bold, const uint16_t* codes, uint16_t n);
// As prn_text_width, without the blank columns before the first glyph and
// after the last; 0 for n = 0.
uint16_t prn_ink_width(uint8_t size, uint8_t bold, const uint16_t* codes, uint16_t n);
