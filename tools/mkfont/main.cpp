// mkfont: builds the flash image "fontData.hex" for the simulator from the
// DejaVu faces with FreeType, and draws glyph sheets of an image for review.
//
//   mkfont [--fonts DIR] --out IMAGE
//   mkfont --sheet SIZE --image IMAGE --png FILE
//
// The LCD size (1) uses DejaVu Sans Mono in 9-dot cells; the printed sizes
// 2..6 use the proportional DejaVu Sans. Every size is fitted so that accented
// capitals and descenders stay inside the glyph height on one baseline.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "host/files/device_charset.h"
#include "tools/mkfont/face.h"
#include "tools/mkfont/sheet.h"
#include "tools/mkfont/store.h"
#include "tools/mkfont/symbols.h"
#include "tools/mkfont/text_glyphs.h"

namespace {
constexpr int kLcdCell = 9;  // the LCD texts are laid out for 9-dot characters

int usage() {
  std::fprintf(stderr,
               "usage: mkfont [--fonts DIR] --out IMAGE\n"
               "       mkfont --sheet SIZE --image IMAGE --png FILE\n");
  return 2;
}

int build(const std::string& font_dir, const std::string& out) {
  FontLibrary library;
  Face mono(library, font_dir + "/DejaVuSansMono.ttf");
  Face mono_bold(library, font_dir + "/DejaVuSansMono-Bold.ttf");
  Face sans(library, font_dir + "/DejaVuSans.ttf");
  Face sans_bold(library, font_dir + "/DejaVuSans-Bold.ttf");

  std::vector<char32_t> chars;
  for (const CharEntry& e : charset()) chars.push_back(e.shows);

  GlyphTables glyphs;
  int clipped_total = 0;
  for (int size = 1; size <= kSizes; ++size) {
    int height = kHeights[size];
    TextStyle regular, bold;
    if (size == 1) {
      regular = {&mono, &sans, 0, 0, 0, kLcdCell};
      bold = {&mono_bold, &sans_bold, 0, 0, 0, kLcdCell};
    } else {
      regular = {&sans, &mono, 0, 0, 0, 0};
      bold = {&sans_bold, &mono_bold, 0, 0, 0, 0};
    }
    fit_styles({&regular, &bold}, chars, height);
    std::printf("size %d: %d dots high, %.2f dots per em, baseline at row %d\n", size, height, regular.em64 / 64.0,
                regular.baseline);
    for (int weight = 0; weight < 2; ++weight) {
      const TextStyle& style = weight ? bold : regular;
      auto& table = glyphs.tables[GlyphTables::slot(size, weight == 1, false)];
      for (const CharEntry& e : charset()) {
        int clipped = 0;
        table[e.code] = StoredGlyph{render_text(style, e.shows, &clipped), uint16_t(e.shows)};
        if (clipped) {
          std::fprintf(stderr, "mkfont: size %d%s code %d loses %d dots\n", size, weight ? " bold" : "", e.code,
                       clipped);
          clipped_total += clipped;
        }
      }
    }
    auto& extended = glyphs.tables[GlyphTables::slot(size, false, true)];
    for (const SymbolEntry& s : symbol_set()) {
      int box = height - 2 * symbol_margin(height);
      Bitmap b = s.font_char ? render_scaled(sans, s.font_char, height, box, box * 6 / 5, symbol_margin(height))
                             : draw_symbol(s.code, height, sans_bold);
      extended[s.code - 512] = StoredGlyph{std::move(b), uint16_t(s.font_char)};
    }
  }
  uint32_t used = 0;
  std::vector<uint8_t> image = build_image(glyphs, &used);
  if (!write_file_atomic(out, image)) {
    std::fprintf(stderr, "mkfont: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: font area %u of %u bytes used%s\n", out.c_str(), used, kFontAreaEnd,
              clipped_total ? ", some dots clipped" : "");
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  std::string fonts = "/usr/share/fonts/truetype/dejavu", out, image, png;
  int sheet = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return usage();
    if (a == "--fonts")
      fonts = argv[++i];
    else if (a == "--out")
      out = argv[++i];
    else if (a == "--sheet")
      sheet = std::atoi(argv[++i]);
    else if (a == "--image")
      image = argv[++i];
    else if (a == "--png")
      png = argv[++i];
    else
      return usage();
  }
  try {
    if (sheet) {
      if (sheet < 1 || sheet > kSizes || image.empty() || png.empty()) return usage();
      if (!write_glyph_sheet(image, sheet, png)) {
        std::fprintf(stderr, "mkfont: cannot draw the sheet of %s into %s\n", image.c_str(), png.c_str());
        return 1;
      }
      return 0;
    }
    if (out.empty()) return usage();
    return build(fonts, out);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkfont: %s\n", e.what());
    return 1;
  }
}
