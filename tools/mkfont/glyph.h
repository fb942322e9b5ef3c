// One rendered glyph of the font image builder: a cell of `width` columns and
// the size's full glyph height, one byte per dot (0 blank, 1 ink).
#pragma once
#include <cstdint>
#include <vector>

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> dots;  // height rows of width dots

  Bitmap() = default;
  Bitmap(int w, int h) : width(w), height(h), dots(size_t(w > 0 ? w : 0) * size_t(h), 0) {}
  bool in(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  uint8_t at(int x, int y) const { return in(x, y) ? dots[size_t(y) * size_t(width) + size_t(x)] : 0; }
  void set(int x, int y, uint8_t v = 1) {
    if (in(x, y)) dots[size_t(y) * size_t(width) + size_t(x)] = v;
  }
  bool column_inked(int x) const {
    for (int y = 0; y < height; ++y)
      if (at(x, y)) return true;
    return false;
  }
};

// The six glyph heights of the device and the bytes of one stored column.
constexpr int kSizes = 6;
constexpr int kHeights[kSizes + 1] = {0, 16, 25, 38, 54, 78, 113};
constexpr int kColumnBytes[kSizes + 1] = {0, 2, 4, 6, 8, 10, 16};
