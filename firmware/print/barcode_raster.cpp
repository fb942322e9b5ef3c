// The barcode block on the print head: bars and human-readable text of the
// label's barcode field, column by column.
#include <algorithm>

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/print/barcode.h"
#include "firmware/print/engine.h"

namespace {
constexpr uint8_t kTextSize = 2, kTextBold = 1;
constexpr int kBarByte = 4;  // bars in head bytes 4..11 (dots 32..95)

// The field's cells within line 0, clamped to the line.
void field_of(const LabelRecord* r, uint8_t* start, uint8_t* length) {
  const uint8_t line_length = std::min<uint8_t>(r->lines[0].length, LBL_MAX_CHARS);
  *start = std::min(r->barcode_start, line_length);
  *length = uint8_t(std::min<int>(r->barcode_length, line_length - *start));
}

void widths(uint8_t type, const uint16_t* text, uint8_t n, const uint16_t* values, uint16_t count, uint16_t* bar_width,
            uint16_t* text_width) {
  uint16_t bars = 0, chars = 0;
  for (uint16_t i = 0; i < count; ++i) bars = uint16_t(bars + bc_symbol_dots(type, values[i]));
  for (uint8_t i = 0; i < n; ++i) chars = uint16_t(chars + font_glyph_width(kTextSize, kTextBold, text[i]));
  *bar_width = bars;
  *text_width = chars;
}
}  // namespace

void bc_block_widths(const LabelRecord* r, uint16_t* bar_width, uint16_t* text_width) {
  uint8_t start, n;
  field_of(r, &start, &n);
  uint16_t text[LBL_MAX_CHARS];
  std::copy(r->lines[0].cells + start, r->lines[0].cells + start + n, text);
  uint16_t values[bc_max_values(LBL_MAX_CHARS)];
  uint16_t count = 0;
  bc_encode(text, n, r->barcode_type, values, &count);
  widths(r->barcode_type, text, n, values, count, bar_width, text_width);
}

uint16_t bc_raster_block(const LabelRecord* r) {
  const uint8_t type = r->barcode_type;
  uint8_t start, n;
  field_of(r, &start, &n);
  // Characters without a symbol print replaced; the label keeps them.
  uint16_t text[LBL_MAX_CHARS];
  std::copy(r->lines[0].cells + start, r->lines[0].cells + start + n, text);
  uint16_t values[bc_max_values(LBL_MAX_CHARS)];
  uint16_t count = 0;
  bc_encode(text, n, type, values, &count);

  uint16_t bar_width, text_width;
  widths(type, text, n, values, count, &bar_width, &text_width);
  const uint16_t block = std::max(bar_width, text_width);

  uint8_t* column = prn_column();
  uint16_t value = 0, bar_column = 0;  // current symbol, dot column within it
  uint8_t ch = 0, glyph_column = 0;    // current character, column within it
  for (uint16_t i = 0; i < block; ++i) {
    prn_column_clear();
    if (bar_width <= block && i >= (block - bar_width) / 2 && value < count) {
      bc_render_column(type, values[value], bar_column, column + kBarByte);
      if (++bar_column >= bc_symbol_dots(type, values[value])) {
        bar_column = 0;
        ++value;
      }
    }
    if (text_width <= block && i >= (block - text_width) / 2 && ch < n) {
      font_get_column(kTextSize, kTextBold, text[ch], glyph_column, column, 0);
      if (++glyph_column >= font_glyph_width(kTextSize, kTextBold, text[ch])) {
        glyph_column = 0;
        ++ch;
      }
    }
    prn_head_column(column);
  }
  return block;
}
