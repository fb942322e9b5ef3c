// A small synthetic font store for the display tests, written to a temporary
// flash image and loaded with spi_init + font_init.
//
// Size 1 only (the LCD font); every other table is empty (width 0).
// - Regular and bold share the metrics: code 0 is 0 wide, 'i' 4 wide (left 1,
//   right 1), the printer symbol 542 16 wide (left 2, right 2), every other
//   code 9 wide (left 1, right 1).
// - Regular bitmaps are blank; a bold inked column k of a code has byte 0 =
//   0x80 | (k + 1) (rows 8..15) and byte 1 = the code's low byte (rows 0..7).
//   So an LCD column drawn from it holds bit_reverse(code & 0xFF) on the
//   upper page and bit_reverse(0x80 | (k + 1)) on the lower page.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "firmware/display/font.h"
#include "host/seam/spi_flash.h"

namespace lcd_test_font {

inline uint8_t width(uint16_t code) {
  if (code == 0) return 0;
  if (code == 'i') return 4;
  if (code == 542) return 16;
  return 9;
}
inline uint8_t left(uint16_t code) { return code == 542 ? 2 : (code == 0 ? 0 : 1); }
inline uint8_t right(uint16_t code) { return left(code); }

inline uint8_t reverse(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= uint8_t(0x80 >> i);
  return r;
}

// The two LCD bytes (upper page, lower page) of cell column c of a code.
inline void lcd_column(uint16_t code, int c, uint8_t& upper, uint8_t& lower) {
  upper = lower = 0;
  if (c < left(code) || c >= width(code) - right(code)) return;
  int k = c - left(code);
  upper = reverse(uint8_t(code & 0xFF));
  lower = reverse(uint8_t(0x80 | (k + 1)));
}

inline std::vector<uint8_t> build() {
  std::vector<uint8_t> img;
  img.reserve(64 * 1024);
  img.resize(72, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) img[at + i] = uint8_t(v >> (8 * i));
  };
  auto table = [&](int count, uint16_t base, bool ink) {
    uint32_t start = uint32_t(img.size());
    img.resize(img.size() + size_t(9) * count, 0);
    for (int i = 0; i < count; ++i) {
      uint16_t code = uint16_t(base + i);
      size_t d = start + size_t(9) * i;
      uint8_t w = width(code), l = left(code), r = right(code);
      img[d] = w;
      img[d + 3] = l;
      img[d + 4] = r;
      uint32_t bitmap = uint32_t(img.size());
      put32(d + 5, bitmap);
      for (int k = 0; k < w - l - r; ++k) {
        img.push_back(ink ? uint8_t(0x80 | (k + 1)) : 0);
        img.push_back(ink ? uint8_t(code & 0xFF) : 0);
      }
    }
    return start;
  };
  // An all-zero table for the sizes the display never uses.
  uint32_t empty = uint32_t(img.size());
  img.resize(img.size() + 9 * 513, 0);
  for (int slot = 0; slot < 18; ++slot) put32(4 * slot, empty);
  put32(4 * 1, table(513, 0, false));   // regular size 1
  put32(4 * 7, table(513, 0, true));    // bold size 1
  put32(4 * 13, table(41, 512, true));  // extended size 1: index = code - 512
  return img;
}

// Writes the image to a temporary file of this process (test processes may
// run side by side) and makes it the flash; the file goes at exit.
inline void install() {
  struct File {
    std::string path;
    File() : path(std::string(::testing::TempDir()) + "lcd_test_font_" + std::to_string(getpid()) + ".hex") {
      std::vector<uint8_t> img = build();
      FILE* f = std::fopen(path.c_str(), "wb");
      std::fwrite(img.data(), 1, img.size(), f);
      std::fclose(f);
    }
    ~File() { std::remove(path.c_str()); }
  };
  static const File file;
  spi_set_path(file.path);
  spi_init();
  font_init();
}

}  // namespace lcd_test_font
