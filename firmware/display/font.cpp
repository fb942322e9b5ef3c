#include "firmware/display/font.h"

// Placeholder until the font layer lands: every glyph is blank and empty.
void font_init() {}
void font_select_glyph(uint8_t, uint8_t, uint16_t) {}
uint8_t font_glyph_width(uint8_t, uint8_t, uint16_t) { return 0; }
uint8_t font_glyph_left(uint8_t, uint8_t, uint16_t) { return 0; }
uint8_t font_glyph_right(uint8_t, uint8_t, uint16_t) { return 0; }
uint8_t font_height(uint8_t size) {
  static const uint8_t heights[7] = {16, 16, 25, 38, 54, 78, 113};
  return size <= 6 ? heights[size] : 16;
}
uint8_t font_column_bytes(uint8_t size) {
  static const uint8_t bytes[7] = {2, 2, 4, 6, 8, 10, 16};
  return size <= 6 ? bytes[size] : 2;
}
void font_get_column(uint8_t, uint8_t, uint16_t, uint8_t, uint8_t*, uint8_t) {}
void font_load_string(const uint16_t*, uint8_t, uint8_t, uint8_t, uint8_t*) {}
uint8_t* font_get_row_bits(uint8_t, uint8_t, uint16_t, uint8_t, uint8_t, uint8_t* out, uint8_t) { return out; }
uint8_t font_text_width(const uint16_t*, uint8_t) { return 0; }
bool font_text_fits(const uint16_t*, uint8_t, uint8_t) { return true; }
