#include "tools/mkfont/sheet.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/display/font.h"
#include "host/files/png.h"
#include "host/seam/spi_flash.h"

namespace {
struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kPage{255, 255, 255};
constexpr Rgb kGrid{170, 170, 170};
constexpr Rgb kCell{228, 228, 228};     // the glyph's advance
constexpr Rgb kInkArea{205, 222, 250};  // between its blank side columns
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kLabel{150, 30, 30};
constexpr int kPerRow = 16;

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), rgb_(size_t(w) * size_t(h) * 3, 255) {}
  void fill(int x, int y, int w, int h, Rgb c) {
    for (int j = std::max(0, y); j < std::min(h_, y + h); ++j)
      for (int i = std::max(0, x); i < std::min(w_, x + w); ++i) {
        uint8_t* p = &rgb_[(size_t(j) * size_t(w_) + size_t(i)) * 3];
        p[0] = c.r, p[1] = c.g, p[2] = c.b;
      }
  }
  // Kept in the repository: packed as small as zlib can.
  bool save(const std::string& path) const { return png_write_rgb(path, w_, h_, rgb_.data(), 9); }

 private:
  int w_, h_;
  std::vector<uint8_t> rgb_;
};

bool dot(uint8_t size, uint8_t bold, uint16_t code, int column, int row) {
  uint8_t out[17] = {};
  font_get_column(size, bold, code, uint8_t(column), out, 0);
  int b = font_column_bytes(size);
  return out[b - 1 - row / 8] >> (row % 8) & 1;
}

// Draws a glyph's cell at (x, y), each dot scale x scale; returns its width in pixels.
int draw_glyph(Canvas& c, int x, int y, uint8_t size, uint8_t bold, uint16_t code, int scale, bool background) {
  int width = font_glyph_width(size, bold, code);
  int left = font_glyph_left(size, bold, code), right = font_glyph_right(size, bold, code);
  int height = font_height(size);
  if (background) {
    c.fill(x, y, width * scale, height * scale, kCell);
    if (width - left - right > 0) c.fill(x + left * scale, y, (width - left - right) * scale, height * scale, kInkArea);
  }
  for (int col = 0; col < width; ++col)
    for (int row = 0; row < height; ++row)
      if (dot(size, bold, code, col, row)) c.fill(x + col * scale, y + row * scale, scale, scale, kInk);
  return width * scale;
}

void draw_label(Canvas& c, int x, int y, int code) {
  std::string text = std::to_string(code);
  for (char ch : text) {
    int width = font_glyph_width(1, 0, uint16_t(ch));
    for (int col = 0; col < width; ++col)
      for (int row = 0; row < 16; ++row)
        if (dot(1, 0, uint16_t(ch), col, row)) c.fill(x + col, y + row, 1, 1, kLabel);
    x += width;
  }
}
}  // namespace

bool write_glyph_sheet(const std::string& image_path, int size, const std::string& png_path) {
  spi_set_path(image_path);
  spi_init();
  if (!spi_present()) return false;
  font_init();

  std::vector<int> codes;
  for (int code = 0; code < 256; ++code) codes.push_back(code);
  for (int code = 513; code <= 552; ++code) codes.push_back(code);
  int widest = 0, widest_symbol = 0;  // ordinary cells show two glyphs, symbol cells one
  for (int code : codes)
    for (uint8_t bold : {0, 1}) {
      int w = font_glyph_width(uint8_t(size), bold, uint16_t(code));
      if (code <= 512)
        widest = std::max(widest, w);
      else
        widest_symbol = std::max(widest_symbol, w);
    }

  const int scale = size == 1 ? 3 : size == 2 ? 2 : 1;
  const int height = font_height(uint8_t(size)) * scale;
  const int gap = 4 * scale;
  const int cell_w = std::max({2 * widest * scale + gap, widest_symbol * scale, 40}) + 2 * gap;
  const int cell_h = 16 + 4 + height + gap;
  const int rows = 256 / kPerRow + (40 + kPerRow - 1) / kPerRow;
  Canvas c(kPerRow * cell_w + 1, rows * cell_h + 1);
  c.fill(0, 0, kPerRow * cell_w + 1, rows * cell_h + 1, kPage);
  for (size_t i = 0; i < codes.size(); ++i) {
    int slot = i < 256 ? int(i) : 256 + int(i - 256);
    int x = (slot % kPerRow) * cell_w, y = (slot / kPerRow) * cell_h;
    c.fill(x, y, cell_w, 1, kGrid);
    c.fill(x, y, 1, cell_h, kGrid);
    draw_label(c, x + gap, y + 2, codes[i]);
    int gx = x + gap, gy = y + 20;
    uint16_t code = uint16_t(codes[i]);
    int w = draw_glyph(c, gx, gy, uint8_t(size), 0, code, scale, true);
    if (code <= 512) draw_glyph(c, gx + w + gap, gy, uint8_t(size), 1, code, scale, true);
  }
  c.fill(0, rows * cell_h, kPerRow * cell_w + 1, 1, kGrid);
  c.fill(kPerRow * cell_w, 0, 1, rows * cell_h + 1, kGrid);
  return c.save(png_path);
}
