#include "tools/mkfont/face.h"

#include <stdexcept>

FontLibrary::FontLibrary() {
  if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("cannot start FreeType");
}

FontLibrary::~FontLibrary() { FT_Done_FreeType(library_); }

Face::Face(const FontLibrary& library, const std::string& path) : path_(path) {
  if (FT_New_Face(library.handle(), path.c_str(), 0, &face_) != 0) throw std::runtime_error("cannot open font " + path);
}

Face::~Face() { FT_Done_Face(face_); }

bool Face::has(char32_t c) const { return FT_Get_Char_Index(face_, FT_ULong(c)) != 0; }

bool Face::render(char32_t c, int em64, Rendered& out) const {
  FT_UInt index = FT_Get_Char_Index(face_, FT_ULong(c));
  if (index == 0) return false;
  if (em64 != current_em64_) {
    if (FT_Set_Char_Size(face_, 0, em64, 72, 72) != 0) return false;
    current_em64_ = em64;
  }
  // Hinted for a monochrome target: the outlines snap to whole dots.
  if (FT_Load_Glyph(face_, index, FT_LOAD_TARGET_MONO | FT_LOAD_RENDER) != 0) return false;
  FT_GlyphSlot slot = face_->glyph;
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
  const FT_Bitmap& bm = slot->bitmap;
  out.left = slot->bitmap_left;
  out.top = slot->bitmap_top;
  out.width = int(bm.width);
  out.rows = int(bm.rows);
  out.advance = int((slot->advance.x + 32) >> 6);
  out.dots.assign(size_t(out.width) * size_t(out.rows), 0);
  for (int y = 0; y < out.rows; ++y) {
    const unsigned char* row = bm.buffer + y * bm.pitch;
    for (int x = 0; x < out.width; ++x) {
      bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
      out.dots[size_t(y) * size_t(out.width) + size_t(x)] = on ? 1 : 0;
    }
  }
  return true;
}
