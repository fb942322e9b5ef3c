// Font layer: every glyph of the device, on the LCD and on the tape, comes from
// the font store at the start of the serial flash. The store starts with 18
// table addresses (regular, bold and extended glyphs for the six sizes); each
// table holds a 9-byte descriptor per code: advance width, two unused bytes,
// blank columns left and right of the ink, and the address of the inked
// columns. A column is B bytes, big-endian; row r is bit r mod 8 of byte
// B - 1 - r / 8.
//
// The window thread (LCD, menus) and the print worker both use this layer, so
// the current glyph and the string buffer are kept per thread. The store is a
// file the user can replace: a descriptor whose bitmap lies outside the font
// area, or a glyph that would not fit the string buffer or the print head,
// is drawn blank instead of being read.
#include "firmware/display/font.h"

#include <atomic>
#include <cstring>

#include "firmware/platform/flash.h"

namespace {
constexpr uint32_t FONT_AREA_END = 0xEFFFC;  // the store's byte sum follows
constexpr int HEADER_SLOTS = 18;
constexpr int STRING_BYTES = 2048;
constexpr int STRING_SLOTS = 15;
constexpr int HEAD_DOTS = 128;
constexpr uint8_t NO_SIZE = 7;  // an empty cache: no request has size 7

struct Glyph {
  uint8_t size = NO_SIZE;
  uint8_t bold = 0;
  uint16_t code = 0;
  uint32_t generation = 0;
  uint8_t width = 0, left = 0, right = 0;
  uint32_t address = 0;
  int inked = 0;  // columns that may be read; 0 for a blank or damaged glyph
};

// What each thread keeps for itself.
struct ThreadState {
  Glyph glyph;
  uint8_t buffer[STRING_BYTES];
  uint16_t slot_offset[STRING_SLOTS];
  uint16_t slot_bytes[STRING_SLOTS];  // bytes loaded for the slot
};

// Set by font_init, read by both threads.
struct Store {
  std::atomic<uint32_t> header[HEADER_SLOTS];
  std::atomic<uint32_t> generation{1};  // a new font_init empties every cache
} store;

thread_local ThreadState t;

int header_slot(uint8_t size) {
  if (size == 6) return 0;
  if (size >= 2 && size <= 5) return size;
  return 1;
}

const Glyph& select(uint8_t size, uint8_t bold, uint16_t code) {
  Glyph& g = t.glyph;
  uint32_t generation = store.generation.load(std::memory_order_acquire);
  if (g.size == size && g.code == code && g.bold == bold && g.generation == generation) return g;

  int slot = header_slot(size);
  uint32_t index = code;
  if (code > 512) {
    slot += 12;
    index = code - 512u;
  } else if (bold) {
    slot += 6;
  }
  uint8_t d[9] = {};
  uint64_t at = uint64_t(store.header[slot].load(std::memory_order_relaxed)) + 9ull * index;
  if (at + sizeof d <= FONT_AREA_END) spi_read(d, uint32_t(at), sizeof d);

  g.size = size;
  g.bold = bold;
  g.code = code;
  g.generation = generation;
  g.width = d[0];
  g.left = d[3];
  g.right = d[4];
  g.address = uint32_t(d[5]) | uint32_t(d[6]) << 8 | uint32_t(d[7]) << 16 | uint32_t(d[8]) << 24;
  if (size == 3 && index == 57) {  // the device's fixed correction of this one glyph
    g.width = 21;
    g.left = 2;
    g.right = 3;
  }
  int inked = int(g.width) - g.left - g.right;
  uint64_t end = uint64_t(g.address) + uint64_t(inked > 0 ? inked : 0) * font_column_bytes(size);
  g.inked = (inked > 0 && end <= FONT_AREA_END) ? inked : 0;
  return g;
}
}  // namespace

void font_init() {
  uint8_t raw[HEADER_SLOTS * 4] = {};
  spi_read(raw, 0, sizeof raw);
  for (int i = 0; i < HEADER_SLOTS; ++i) {
    const uint8_t* p = raw + 4 * i;
    store.header[i].store(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24,
                          std::memory_order_relaxed);
  }
  store.generation.fetch_add(1, std::memory_order_release);
  t.glyph.size = NO_SIZE;
}

void font_select_glyph(uint8_t size, uint8_t bold, uint16_t code) { select(size, bold, code); }

uint8_t font_glyph_width(uint8_t size, uint8_t bold, uint16_t code) { return select(size, bold, code).width; }
uint8_t font_glyph_left(uint8_t size, uint8_t bold, uint16_t code) { return select(size, bold, code).left; }
uint8_t font_glyph_right(uint8_t size, uint8_t bold, uint16_t code) { return select(size, bold, code).right; }

uint8_t font_height(uint8_t size) {
  static const uint8_t heights[7] = {16, 16, 25, 38, 54, 78, 113};
  return size <= 6 ? heights[size] : 16;
}

uint8_t font_column_bytes(uint8_t size) {
  static const uint8_t bytes[7] = {2, 2, 4, 6, 8, 10, 16};
  return size <= 6 ? bytes[size] : 2;
}

void font_get_column(uint8_t size, uint8_t bold, uint16_t code, uint8_t column, uint8_t* out, uint8_t shift) {
  const Glyph& g = select(size, bold, code);
  int b = font_column_bytes(size);
  uint8_t bytes[16] = {};
  int c = int(column) - g.left;
  if (c >= 0 && c < g.inked) spi_read(bytes, g.address + uint32_t(c * b), uint16_t(b));
  if (shift == 0) {
    std::memcpy(out, bytes, size_t(b));
    return;
  }
  shift &= 7;
  for (int k = 0; k < b; ++k) {
    uint16_t v = uint16_t(uint16_t(bytes[k]) << 8) >> shift;
    out[k] |= uint8_t(v >> 8);
    out[k + 1] |= uint8_t(v);
  }
}

void font_load_string(const uint16_t* codes, uint8_t count, uint8_t size, uint8_t bold, uint8_t* x_out) {
  std::memset(t.buffer, 0, sizeof t.buffer);
  std::memset(t.slot_bytes, 0, sizeof t.slot_bytes);
  int b = font_column_bytes(size);
  uint8_t x = 0;
  int offset = 0;
  for (int i = 0; i < count; ++i) {
    const Glyph& g = select(size, bold, codes[i]);
    x_out[i] = x;
    x = uint8_t(x + g.width);
    if (i >= STRING_SLOTS) continue;  // no slot for it: callers keep lines to 14
    t.slot_offset[i] = uint16_t(offset);
    int n = b * g.inked;
    // A glyph that would overrun the buffer or is wider than the head stays blank.
    if (n == 0 || g.inked > HEAD_DOTS || offset + n > STRING_BYTES) continue;
    spi_read(t.buffer + offset, g.address, uint16_t(n));
    t.slot_bytes[i] = uint16_t(n);
    offset += n;
  }
}

uint8_t* font_get_row_bits(uint8_t size, uint8_t bold, uint16_t code, uint8_t slot, uint8_t row, uint8_t* out,
                           uint8_t shift) {
  const Glyph& g = select(size, bold, code);
  if (row >= font_height(size) || slot >= STRING_SLOTS) return out;
  int b = font_column_bytes(size);
  int columns = g.inked;
  if (columns > t.slot_bytes[slot] / b) columns = t.slot_bytes[slot] / b;  // never past what was loaded
  const uint8_t* bitmap = t.buffer + t.slot_offset[slot] + (b - 1 - row / 8);
  uint8_t mask = uint8_t(1u << (row % 8));
  uint8_t bit = uint8_t(0x80u >> (shift & 7));
  for (int c = 0; c < columns; ++c) {
    if (bitmap[c * b] & mask) *out |= bit;
    bit >>= 1;
    if (bit == 0) {
      ++out;
      bit = 0x80;
    }
  }
  return out;
}

uint8_t font_text_width(const uint16_t* codes, uint8_t count) {
  uint8_t sum = 0;
  for (int i = 0; i < count; ++i) sum = uint8_t(sum + font_glyph_width(1, 1, codes[i]));
  return sum;
}

bool font_text_fits(const uint16_t* codes, uint8_t count, uint8_t limit) {
  return font_text_width(codes, count) <= limit;
}
