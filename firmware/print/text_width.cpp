#include "firmware/print/text_width.h"

#include "firmware/display/font.h"

uint16_t prn_text_width(uint8_t size, uint8_t bold, const uint16_t* codes, uint16_t n) {
  uint16_t w = 0;
  for (uint16_t i = 0; i < n; ++i) w = uint16_t(w + font_glyph_width(size, bold, codes[i]));
  return w;
}

uint16_t prn_ink_width(uint8_t size, uint8_t bold, const uint16_t* codes, uint16_t n) {
  if (n == 0) return 0;
  uint16_t w = prn_text_width(size, bold, codes, n);
  w = uint16_t(w - font_glyph_left(size, bold, codes[0]));
  return uint16_t(w - font_glyph_right(size, bold, codes[n - 1]));
}
