// Screen text: reads the LCD frame buffer back as text by matching the
// device's own glyphs, taken from the font store of a flash image, so that a
// script can check "Cannot Fit" or a menu entry without a golden picture.
//
// What it knows of the screen: text lines 0..2 (pages 0-1, 2-3, 4-5) or the
// symbol picker's two rows (pages 0-1, 3-4); every character as the LCD draws
// it (regular size-1 width, bold size-1 dots; extended symbols included);
// inverted bars (menu highlights, the name field, Yes/No); the editor's line
// markers (read as nothing) and barcode field box; the scroll bar (ignored).
// The status line (visible in columns 0..55) reads as its fields joined by a
// blank: the label-type tag or picker tag (text one dot below the rule) or the
// menus' label-type icon box ("[A]", "[B]", "[F]", "[AAA]", "[W]", "[TTTT]"),
// then the font-size icon ("A", "6", "9", "14", "20", "28", "40"). Plain text
// written on that line (a service page's last line) reads as text.
// Blank runs between characters read as spaces (one per 9 dots, the LCD
// font's advance); leading and trailing blanks are dropped. Dots that match
// no glyph read as one "?" per dark blob.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/seam/mirror.h"

struct LcdText {
  // Device character codes per line; lines 0..2 the text area, 3 the status.
  std::array<std::vector<uint16_t>, 4> lines;
  std::array<bool, 4> inverse{};  // the line holds an inverted bar
  int unknown = 0;                // cells read as "?"
};

class LcdTextReader {
 public:
  // Reads `length` bytes of the image at `address` into out (zeros where the
  // image has none).
  using FlashRead = std::function<void(uint32_t address, uint8_t* out, uint32_t length)>;

  // Builds the glyph tables from the font store of an image `size` bytes long.
  LcdTextReader(const FlashRead& read, uint32_t size);
  explicit LcdTextReader(const std::vector<uint8_t>& image);
  // The image the simulated flash has loaded.
  static LcdTextReader from_flash();

  LcdText read(const uint8_t frame[LCD_FRAME_BYTES]) const;
  // The LCD mirror's frame as last pushed by the firmware.
  LcdText read_mirror() const;

  // The columns of a code as the LCD draws it (bit 15 the top row); for tests.
  std::vector<uint16_t> cell(uint16_t code) const;

  struct Glyph {
    uint16_t code = 0;          // 0: a shape that reads as nothing (line marker)
    uint8_t left = 0;           // blank columns of the cell before the ink
    uint8_t width = 0;          // the cell's advance
    std::vector<uint16_t> ink;  // the dark columns, first to last
  };
  struct Table {
    std::vector<Glyph> glyphs;
    std::unordered_map<uint16_t, std::vector<int>> by_first;  // first ink column -> glyphs, longest first
    void add(Glyph g);
  };

 private:
  std::unordered_map<uint16_t, std::vector<uint16_t>> cells_;
  Table text_;    // text lines
  Table status_;  // status line: one dot down, the rule row masked
  Table status_plain_;  // plain text on the status line (a service page), the rule row masked
  // The status fields of columns 0..55 (type tag or icon, size icon).
  std::vector<uint16_t> read_status_fields(const uint16_t* status, int& unknown, bool& inverse) const;
  int space_width_ = 9;
  // The status line's icons as its columns show them (rule row masked).
  struct TypeIcon {
    const char* name;
    std::array<uint16_t, 36> columns;
  };
  std::vector<TypeIcon> type_icons_;
  std::array<std::array<uint16_t, 17>, 7> size_icons_{};
};
