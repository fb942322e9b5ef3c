// A font face rendered with FreeType: hinted, monochrome (every dot on or off).
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

struct Rendered {
  int left = 0;  // columns from the pen position to the bitmap
  int top = 0;   // rows from the bitmap's top row down to the baseline
  int width = 0;
  int rows = 0;
  int advance = 0;            // hinted advance in whole dots
  std::vector<uint8_t> dots;  // rows x width, 0 or 1
  bool at(int x, int y) const { return dots[size_t(y) * size_t(width) + size_t(x)] != 0; }
};

class FontLibrary {
 public:
  FontLibrary();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;
  FT_Library handle() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

class Face {
 public:
  Face(const FontLibrary& library, const std::string& path);
  ~Face();
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  const std::string& path() const { return path_; }
  bool has(char32_t c) const;
  // Renders c at a size of `em64` 64ths of a dot per em; false when the face
  // has no such character or FreeType fails.
  bool render(char32_t c, int em64, Rendered& out) const;

 private:
  std::string path_;
  FT_Face face_ = nullptr;
  mutable int current_em64_ = 0;
};
