// Font layer: glyphs of six sizes (6, 9, 14, 20, 28, 40 pt; heights 16, 25,
// 38, 54, 78, 113 dots), regular and bold, plus 40 extended symbol glyphs
// (codes 513..552), read from the font store at the start of the flash.
#pragma once
#include <cstdint>

void font_init();

void font_select_glyph(uint8_t size, uint8_t bold, uint16_t code);
uint8_t font_glyph_width(uint8_t size, uint8_t bold, uint16_t code);
uint8_t font_glyph_left(uint8_t size, uint8_t bold, uint16_t code);
uint8_t font_glyph_right(uint8_t size, uint8_t bold, uint16_t code);
uint8_t font_height(uint8_t size);
// Bytes per glyph column for a size: 2, 4, 6, 8, 10 or 16.
uint8_t font_column_bytes(uint8_t size);

// One column of the character cell into out (B bytes; B + 1 with a shift).
void font_get_column(uint8_t size, uint8_t bold, uint16_t code, uint8_t column, uint8_t* out, uint8_t shift);

// Loads the bitmaps of up to 15 characters for row-wise reading; x_out gets
// each character's start x (8-bit).
void font_load_string(const uint16_t* codes, uint8_t count, uint8_t size, uint8_t bold, uint8_t* x_out);

// One row of loaded glyph `slot` as a run of bits ORed into out from bit
// 0x80 >> shift on; returns the byte the run ended in.
uint8_t* font_get_row_bits(uint8_t size, uint8_t bold, uint16_t code, uint8_t slot, uint8_t row, uint8_t* out,
                           uint8_t shift);

// Sum of the bold size-1 widths, 8-bit (wraps at 256).
uint8_t font_text_width(const uint16_t* codes, uint8_t count);
bool font_text_fits(const uint16_t* codes, uint8_t count, uint8_t limit);
