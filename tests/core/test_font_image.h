// A synthetic 1 MiB flash image for tests that need real glyph metrics: a
// font store of all six sizes (regular, bold and the extended codes) whose
// widths a test chooses, followed by erased storage sectors (0xFF from
// 0xF0000 on). install() writes it to a temporary file and loads it with
// spi_set_path + spi_init + font_init.
//
// Default metrics: code 0 is 0 wide; every other code is 10, 14, 20, 28, 40
// or 56 dots wide for sizes 1..6 (Auto and unknown sizes as size 1), two
// more when bold (the extended codes have no bold), with 1 blank column
// before and 2 after the ink. Every inked column is solid over the glyph
// height (rows 0..height-1 set), so a raster of it is easy to predict.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "firmware/display/font.h"
#include "host/seam/spi_flash.h"

namespace test_font_image {

struct Metrics {
  uint8_t width, left, right;
};
using MetricsFn = std::function<Metrics(uint8_t size, uint8_t bold, uint16_t code)>;

constexpr uint32_t kImageSize = 0x100000;
constexpr uint32_t kStorageStart = 0xF0000;
constexpr int kCodes = 553;  // 0..552; the extended tables use index = code - 512

inline uint8_t height(uint8_t size) {
  static const uint8_t h[7] = {16, 16, 25, 38, 54, 78, 113};
  return size <= 6 ? h[size] : 16;
}
inline uint8_t column_bytes(uint8_t size) {
  static const uint8_t b[7] = {2, 2, 4, 6, 8, 10, 16};
  return size <= 6 ? b[size] : 2;
}

inline Metrics default_metrics(uint8_t size, uint8_t bold, uint16_t code) {
  static const uint8_t w[7] = {10, 10, 14, 20, 28, 40, 56};
  if (code == 0) return {0, 0, 0};
  uint8_t width = uint8_t((size <= 6 ? w[size] : 10) + (bold && code <= 512 ? 2 : 0));
  return {width, 1, 2};
}

inline std::vector<uint8_t> build(const MetricsFn& metrics = default_metrics) {
  std::vector<uint8_t> img(72, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) img[at + i] = uint8_t(v >> (8 * i));
  };
  // Header slots: 0 size 6, 1..5 sizes 1..5; +6 bold; +12 extended.
  for (int slot = 0; slot < 18; ++slot) {
    uint8_t size = uint8_t(slot % 6 == 0 ? 6 : slot % 6);
    uint8_t bold = slot >= 6 && slot < 12;
    bool extended = slot >= 12;
    uint8_t b = column_bytes(size);
    // One solid bitmap of 255 columns per table, shared by every glyph.
    uint32_t bitmap = uint32_t(img.size());
    for (int c = 0; c < 255; ++c)
      for (int k = 0; k < b; ++k) {
        uint8_t byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
          int row = (b - 1 - k) * 8 + bit;
          if (row < height(size)) byte |= uint8_t(1 << bit);
        }
        img.push_back(byte);
      }
    uint32_t table = uint32_t(img.size());
    put32(size_t(4) * slot, table);
    img.resize(img.size() + size_t(9) * kCodes, 0);
    for (int index = 0; index < kCodes; ++index) {
      uint16_t code = uint16_t(extended ? index + 512 : index);
      if (extended && index == 0) code = 0;
      Metrics m = metrics(size, bold, code);
      size_t d = table + size_t(9) * index;
      img[d] = m.width;
      img[d + 3] = m.left;
      img[d + 4] = m.right;
      put32(d + 5, bitmap);
    }
  }
  img.resize(kStorageStart, 0);
  uint32_t sum = 0;  // the font area's sum, as a built image carries it
  for (uint32_t a = 0; a < kStorageStart - 4; ++a) sum += img[a];
  put32(kStorageStart - 4, sum);
  img.resize(kImageSize, 0xFF);
  return img;
}

// Writes the image to a temporary file named after `name` (and the process,
// so that test runs side by side do not share it); the file goes when the
// process ends (each test runs in a process of its own: a megabyte each would
// pile up). Returns the file's path.
inline std::string write_temp(const std::string& name, const MetricsFn& metrics = default_metrics) {
  struct Written {
    std::vector<std::string> paths;
    ~Written() {
      for (const std::string& p : paths) std::remove(p.c_str());
    }
  };
  static Written written;
  std::string path =
      (std::filesystem::temp_directory_path() / ("klx80_" + name + "_" + std::to_string(::getpid()) + ".hex")).string();
  std::vector<uint8_t> img = build(metrics);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(img.data(), 1, img.size(), f);
    std::fclose(f);
  }
  written.paths.push_back(path);
  return path;
}

// The image as a temporary file (write_temp), made the flash.
inline std::string install(const std::string& name, const MetricsFn& metrics = default_metrics) {
  const std::string path = write_temp(name, metrics);
  spi_set_path(path);
  spi_init();
  font_init();
  return path;
}

}  // namespace test_font_image
