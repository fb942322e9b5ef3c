#include "anim/caption_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>
#include <mutex>

namespace {
constexpr int kPixelSize = 13;
constexpr int kMargin = 4;
constexpr char32_t kEllipsis = U'\u2026';

// UTF-8 to code points; a byte that starts no valid sequence becomes U+FFFD.
std::u32string decode(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t c = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
    bool ok = extra >= 0 && i + size_t(extra) < text.size() + (extra == 0);
    for (int k = 1; ok && k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(text[i + size_t(k)]);
      ok = (n >> 6) == 2;
      c = c << 6 | (n & 0x3F);
    }
    out += ok ? c : U'\uFFFD';
    i += ok ? size_t(extra) + 1 : 1;
  }
  return out;
}

// One face for the process, opened at the first caption.
class CaptionFace {
 public:
  static CaptionFace& get() {
    static CaptionFace face;
    return face;
  }
  bool ok() const { return face_ != nullptr; }
  int advance(char32_t c) {
    if (!load(c, FT_LOAD_DEFAULT)) return kPixelSize / 2;
    return int(face_->glyph->advance.x >> 6);
  }
  // Draws c with its origin at (x, baseline); returns its advance.
  int draw(char32_t c, std::vector<uint8_t>& rgb, int width, int x, int baseline, int top, int bottom) {
    if (!load(c, FT_LOAD_RENDER)) return kPixelSize / 2;
    const FT_GlyphSlot g = face_->glyph;
    const FT_Bitmap& bm = g->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row)
      for (unsigned col = 0; col < bm.width; ++col) {
        const int px = x + g->bitmap_left + int(col), py = baseline - g->bitmap_top + int(row);
        if (px < 0 || px >= width || py < top || py >= bottom) continue;
        const unsigned coverage = bm.buffer[row * unsigned(bm.pitch) + col];
        uint8_t* p = &rgb[(size_t(py) * width + px) * 3];
        for (int k = 0; k < 3; ++k) p[k] = uint8_t((p[k] * (255 - coverage) + 40 * coverage) / 255);
      }
    return int(g->advance.x >> 6);
  }

 private:
  CaptionFace() {
    if (FT_Init_FreeType(&library_) != 0) return;
    if (FT_New_Face(library_, KLX80_CAPTION_FONT, 0, &face_) != 0 ||
        FT_Set_Pixel_Sizes(face_, 0, kPixelSize) != 0)
      face_ = nullptr;
  }
  bool load(char32_t c, FT_Int32 flags) {
    if (!face_) return false;
    FT_UInt index = FT_Get_Char_Index(face_, FT_ULong(c));
    if (index == 0) index = FT_Get_Char_Index(face_, U'?');
    return FT_Load_Glyph(face_, index, flags) == 0;
  }
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

std::mutex face_mutex;  // a recorder and a batch run never share one, but FreeType is not thread-safe

struct Layout {
  std::vector<std::u32string> lines;
  bool cut = false;
};

// Words onto lines of at most room pixels; a word longer than a line is
// broken; past the last line the text is cut with an ellipsis.
Layout lay_out(const std::u32string& text, int room, CaptionFace& face) {
  auto width_of = [&](const std::u32string& s) {
    int w = 0;
    for (char32_t c : s) w += face.advance(c);
    return w;
  };
  Layout out;
  std::u32string line;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == U' ') ++at;
    size_t end = at;
    while (end < text.size() && text[end] != U' ') ++end;
    if (at == end) break;
    std::u32string word = text.substr(at, end - at);
    std::u32string candidate = line.empty() ? word : line + U' ' + word;
    if (width_of(candidate) <= room) {
      line = candidate;
      at = end;
      continue;
    }
    if (line.empty()) {  // a word wider than the line: as much of it as fits
      size_t n = 1;
      while (n < word.size() && width_of(word.substr(0, n + 1)) <= room) ++n;
      line = word.substr(0, n);
      at += n;
    }
    out.lines.push_back(line);
    line.clear();
    if (int(out.lines.size()) == kCaptionLines) break;
  }
  if (!line.empty() && int(out.lines.size()) < kCaptionLines) out.lines.push_back(line);
  while (at < text.size() && text[at] == U' ') ++at;
  if (at < text.size()) {
    out.cut = true;
    std::u32string& last = out.lines.back();
    while (!last.empty() && width_of(last + kEllipsis) > room) last.pop_back();
    last += kEllipsis;
  }
  return out;
}
}  // namespace

void caption_draw(std::vector<uint8_t>& rgb, int width, int top, const std::string& text) {
  std::lock_guard lock(face_mutex);
  CaptionFace& face = CaptionFace::get();
  const Layout layout = lay_out(decode(text), width - 2 * kMargin, face);
  const int bottom = std::min(top + kCaptionBandHeight, int(rgb.size() / 3 / size_t(width)));
  for (size_t n = 0; n < layout.lines.size(); ++n) {
    const int baseline = top + 4 + int(n) * kCaptionLineHeight + kPixelSize;
    int x = kMargin;
    for (char32_t c : layout.lines[n]) x += face.draw(c, rgb, width, x, baseline, top, bottom);
  }
}

bool caption_fits(const std::string& text, int width) {
  std::lock_guard lock(face_mutex);
  return !lay_out(decode(text), width - 2 * kMargin, CaptionFace::get()).cut;
}
