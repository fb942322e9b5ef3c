#include "firmware/print/raster.h"

#include <algorithm>
#include <cstring>

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/platform/cartridge.h"
#include "firmware/print/engine.h"
#include "firmware/print/geometry.h"
#include "firmware/print/text_width.h"

namespace {
constexpr int kCells = 51;  // cells of a label line

struct Raster {
  // Rotated-column cache: columns rendered before the job begins.
  uint8_t cache[PRN_ROTATED_CACHE][PRN_COLUMN_CLEAR] = {};
  int16_t fill = 0;
  LabelRecord scratch{};
} s;

// The rotated render's column output step: to the head while a job prints,
// otherwise into the cache while it has room (further columns are dropped).
void output_rotated(const uint8_t* column) {
  if (prn_printing_active() == 1) {
    prn_head_column(column);
  } else if (s.fill < PRN_ROTATED_CACHE) {
    std::memcpy(s.cache[s.fill], column, PRN_COLUMN_CLEAR);
    ++s.fill;
  }
}

uint8_t used_lines(const LabelRecord* r) { return uint8_t(std::min<int>(r->last_line, LBL_MAX_LINES - 1) + 1); }
}  // namespace

uint8_t prn_line_position(uint8_t size, uint8_t last_line, uint8_t line, int16_t* shift) {
  uint8_t a, b;
  prn_print_band(cart_get_id(), &a, &b);
  const int d = font_height(size);
  const int n = last_line + 1;
  const int i = std::min(line, last_line);
  const int f = (int(a) - d * n) / 2;  // truncated toward zero
  const int bits = 16 * ((d + 15) / 16);
  const int16_t start = int16_t(f + d + b - bits);
  *shift = start;
  return uint8_t(std::max<int>(start, 0) + d * (last_line - i));
}

void prn_shift_column(int16_t start) {
  if (start >= 0) return;
  const int s_ = std::min(-int(start), 7);
  uint8_t* c = prn_column();
  // Dots placed above the head (the top copy of a repeated block reaches
  // into the spare byte) come down into it; with nothing there the top s
  // dots become blank. Dots 0..s-1 are lost.
  for (int k = 0; k < PRN_COLUMN_BYTES; ++k) c[k] = uint8_t(c[k] << s_ | c[k + 1] >> (8 - s_));
}

uint16_t prn_raster_record(const LabelRecord* r, uint8_t first, uint8_t count, uint16_t repeats) {
  const uint8_t size = r->font_size, bold = r->bold;
  const uint8_t lines = used_lines(r);
  uint16_t width[LBL_MAX_LINES] = {};
  uint16_t widest = 0;
  for (uint8_t i = 0; i < lines; ++i) {
    const LabelLine& ln = r->lines[i];
    // Never measure past the line's cells, whatever first and count say.
    const int room = first < kCells ? kCells - first : 0;
    const int n = std::min({int(ln.length), int(count), room});
    width[i] = prn_text_width(size, bold, ln.cells + std::min<int>(first, kCells), uint16_t(n));
    widest = std::max(widest, width[i]);
  }

  // Where each copy of each line starts across the head; all share the start.
  // No copy across the band (a block taller than the band) draws nothing.
  const bool repeated = repeats != 1;
  constexpr int kMaxCopies = 128;  // a 16-dot line repeated over the whole head
  uint8_t position[LBL_MAX_LINES][kMaxCopies];
  int16_t shift = 0;
  const uint16_t drawn = std::min<uint16_t>(repeats, kMaxCopies);
  for (uint8_t i = 0; i < lines; ++i) {
    for (uint16_t j = 0; j < drawn; ++j) {
      if (repeated)
        position[i][j] = prn_line_position(size, uint8_t(lines * repeats - 1), uint8_t(j * lines + i), &shift);
      else
        position[i][j] = prn_line_position(size, uint8_t(lines - 1), i, &shift);
    }
  }

  uint8_t index[LBL_MAX_LINES];
  uint32_t glyph_column[LBL_MAX_LINES] = {};
  for (uint8_t i = 0; i < lines; ++i) index[i] = first;

  uint8_t* column = prn_column();
  for (uint16_t c = 0; c < widest; ++c) {
    prn_column_clear();
    bool drawn_line[LBL_MAX_LINES] = {};
    uint16_t code[LBL_MAX_LINES] = {};
    for (uint8_t i = 0; i < lines; ++i) {
      const LabelLine& ln = r->lines[i];
      drawn_line[i] = index[i] < ln.length && index[i] < kCells && c >= (widest - width[i]) / 2;
      if (drawn_line[i]) code[i] = ln.cells[index[i]];
    }
    // Copies are drawn from the top of the head down (copy j of line i is
    // line j x lines + i of the block): an unshifted glyph column is copied,
    // not ORed, and its blank low end must only ever cover the blank part
    // of the line above it.
    for (uint16_t j = 0; j < drawn; ++j) {
      for (uint8_t i = 0; i < lines; ++i) {
        if (!drawn_line[i]) continue;
        const uint8_t p = position[i][j];
        font_get_column(size, bold, code[i], uint8_t(glyph_column[i]), column + p / 8, p % 8);
      }
    }
    for (uint8_t i = 0; i < lines; ++i) {
      if (!drawn_line[i]) continue;
      if (++glyph_column[i] >= font_glyph_width(size, bold, code[i])) {
        glyph_column[i] = 0;
        ++index[i];
      }
    }
    prn_shift_column(shift);
    prn_head_column(column);
  }
  return widest;
}

uint16_t prn_raster_lines(uint8_t first, uint8_t count) { return prn_raster_record(lbl_record(), first, count, 1); }

uint16_t prn_print_glyph(uint16_t code, uint8_t size, uint8_t bold) {
  const uint8_t width = font_glyph_width(size, bold, code);
  uint8_t* column = prn_column();
  for (uint8_t k = 0; k < width; ++k) {
    prn_column_clear();
    font_get_column(size, bold, code, k, column, 0);
    prn_head_column(column);
  }
  return width;
}

bool prn_rotated_cacheable(const LabelRecord* r) {
  const bool type = r->label_type == LABEL_BANNER_PORTRAIT || lbl_wire_length_dots(r->label_type) != 0;
  return type && (r->font_size == 1 || r->font_size == 2);
}

uint8_t prn_rotated_render(LabelRecord* r) {
  uint8_t a, b;
  prn_print_band(cart_get_id(), &a, &b);
  const uint8_t size = r->font_size, bold = r->bold;
  const uint8_t lines = used_lines(r);
  const uint8_t height = font_height(size);
  uint8_t* column = prn_column();
  unsigned produced = 0;
  for (uint8_t i = 0; i < lines; ++i) {
    const LabelLine& ln = r->lines[i];
    // The fit check keeps the user's lines within 14; a longer line (a
    // string of the factory prints) prints its first 14 and stays as it is.
    const uint8_t n = ln.length < PRN_ROTATED_MAX_CHARS ? ln.length : PRN_ROTATED_MAX_CHARS;
    uint8_t x[PRN_ROTATED_MAX_CHARS] = {};
    font_load_string(ln.cells, n, size, bold, x);
    // Centred across the tape by the ink of the line.
    const int o = (int(a) - int(prn_ink_width(size, bold, ln.cells, n))) / 2 + b;
    if (o >= 0)
      for (uint8_t k = 0; k < n; ++k) x[k] = uint8_t(x[k] + o);
    for (uint8_t row = 0; row < height; ++row) {
      prn_column_clear();
      for (uint8_t k = 0; k < n; ++k) font_get_row_bits(size, bold, ln.cells[k], k, row, column + x[k] / 8, x[k] % 8);
      output_rotated(column);
      ++produced;
    }
  }
  return uint8_t(produced);
}

void prn_rotated_prepare(LabelRecord* r) {
  s.fill = 0;
  std::memset(s.cache, 0, sizeof s.cache);
  if (prn_rotated_cacheable(r)) prn_rotated_emit(r);
}

uint8_t prn_rotated_emit(LabelRecord* r) {
  if (s.fill > PRN_ROTATED_CACHE) s.fill = 0;
  const bool active = prn_printing_active() == 1;
  const bool cacheable = prn_rotated_cacheable(r);
  if (active && cacheable) {
    for (int16_t k = 0; k < s.fill; ++k) prn_head_column(s.cache[k]);
    return uint8_t(s.fill);
  }
  if (active || cacheable) return prn_rotated_render(r);
  return 0;
}

int16_t prn_rotated_cache_fill() { return s.fill; }

const uint8_t* prn_rotated_cache_column(int index) { return index >= 0 && index < s.fill ? s.cache[index] : nullptr; }

void prn_print_string(const char* text, uint8_t size, uint8_t bold) {
  LabelRecord& r = s.scratch;
  const size_t n = std::min<size_t>(std::strlen(text), LBL_MAX_CHARS);
  r.font_size = size;
  r.last_line = 0;
  r.bold = bold;
  r.lines[0].length = uint8_t(n);
  for (size_t k = 0; k < n; ++k) r.lines[0].cells[k] = uint8_t(text[k]);
  prn_set_printing_active(0);
  prn_rotated_prepare(&r);
  prn_set_printing_active(1);
  prn_rotated_emit(&r);
}

LabelRecord* prn_scratch_record() { return &s.scratch; }
