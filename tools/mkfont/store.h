// Lays the glyphs out in the flash image: the 72-byte header of 18 table
// addresses, the descriptor tables, the inked columns, the byte sum of the
// font area at 0xEFFFC and erased (0xFF) storage sectors.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/mkfont/glyph.h"

constexpr uint32_t kImageSize = 0x100000;
constexpr uint32_t kFontAreaEnd = 0xEFFFC;
constexpr int kOrdinaryCodes = 513;  // codes 0..512
constexpr int kExtendedCodes = 64;   // extended index 0..63 (glyphs 1..40 used)

struct StoredGlyph {
  Bitmap bitmap;
  uint16_t unicode = 0;  // kept in the descriptor's two bytes the firmware does not read
};

// tables[slot][index]: slots 0..5 regular (0 is size 6, 1..5 sizes 1..5),
// 6..11 bold, 12..17 extended, as the header orders them.
struct GlyphTables {
  std::vector<std::optional<StoredGlyph>> tables[18];
  GlyphTables();
  static int slot(int size, bool bold, bool extended) {
    return (size == 6 ? 0 : size) + (extended ? 12 : bold ? 6 : 0);
  }
};

// Builds the 1 MiB image; throws when the glyphs do not fit the font area.
std::vector<uint8_t> build_image(const GlyphTables& glyphs, uint32_t* font_bytes_used = nullptr);

// Writes a file through a temporary name, so a failed run leaves no half file.
bool write_file_atomic(const std::string& path, const std::vector<uint8_t>& bytes);
