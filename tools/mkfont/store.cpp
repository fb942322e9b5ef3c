#include "tools/mkfont/store.h"

#include <cstdio>
#include <map>
#include <stdexcept>

GlyphTables::GlyphTables() {
  for (int slot = 0; slot < 18; ++slot) tables[slot].resize(slot < 12 ? kOrdinaryCodes : kExtendedCodes);
}

namespace {
void put32(std::vector<uint8_t>& image, uint32_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) image[at + i] = uint8_t(v >> (8 * i));
}

int size_of_slot(int slot) {
  int s = slot % 6;
  return s == 0 ? 6 : s;
}
}  // namespace

std::vector<uint8_t> build_image(const GlyphTables& glyphs, uint32_t* font_bytes_used) {
  std::vector<uint8_t> image(kImageSize, 0xFF);
  uint32_t pos = 72;
  uint32_t table_at[18];
  for (int slot = 0; slot < 18; ++slot) {
    table_at[slot] = pos;
    put32(image, 4 * slot, pos);
    uint32_t bytes = uint32_t(glyphs.tables[slot].size()) * 9;
    std::fill(image.begin() + pos, image.begin() + pos + bytes, 0);  // absent codes: width 0
    pos += bytes;
  }
  std::map<std::vector<uint8_t>, uint32_t> stored;  // identical columns are kept once
  for (int slot = 0; slot < 18; ++slot) {
    int b = kColumnBytes[size_of_slot(slot)];
    for (size_t index = 0; index < glyphs.tables[slot].size(); ++index) {
      const auto& g = glyphs.tables[slot][index];
      if (!g) continue;
      const Bitmap& bm = g->bitmap;
      if (bm.width > 255) throw std::runtime_error("a glyph is wider than 255 dots");
      int first = 0, last = bm.width - 1;
      while (first < bm.width && !bm.column_inked(first)) ++first;
      while (last >= first && !bm.column_inked(last)) --last;
      int inked = first < bm.width ? last - first + 1 : 0;
      std::vector<uint8_t> columns(size_t(inked) * size_t(b), 0);
      for (int c = 0; c < inked; ++c)
        for (int r = 0; r < bm.height; ++r)
          if (bm.at(first + c, r)) columns[size_t(c * b + b - 1 - r / 8)] |= uint8_t(1u << (r % 8));
      uint32_t address = 0;
      if (inked > 0) {
        auto found = stored.find(columns);
        if (found != stored.end()) {
          address = found->second;
        } else {
          if (pos + columns.size() > kFontAreaEnd) throw std::runtime_error("the glyphs do not fit the font area");
          address = pos;
          std::copy(columns.begin(), columns.end(), image.begin() + pos);
          pos += uint32_t(columns.size());
          stored.emplace(std::move(columns), address);
        }
      }
      uint8_t* d = image.data() + table_at[slot] + 9 * index;
      d[0] = uint8_t(bm.width);
      d[1] = uint8_t(g->unicode);
      d[2] = uint8_t(g->unicode >> 8);
      d[3] = uint8_t(inked > 0 ? first : 0);
      d[4] = uint8_t(inked > 0 ? bm.width - 1 - last : bm.width);
      put32(image, table_at[slot] + 9 * uint32_t(index) + 5, address);
    }
  }
  if (font_bytes_used) *font_bytes_used = pos;
  // The unused rest of the font area stays erased; its sum follows it.
  uint32_t sum = 0;
  for (uint32_t a = 0; a < kFontAreaEnd; ++a) sum += image[a];
  put32(image, kFontAreaEnd, sum);
  return image;
}

bool write_file_atomic(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}
