// The device character set: which character each device code shows. The one
// table for everything that turns device codes into text a person reads: the
// font builder draws each glyph from it, and the screen read back as text,
// the message listing and the image tool show codes through it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct CharEntry {
  uint16_t code;   // device code, 32..255
  char32_t shows;  // the Unicode character drawn for it
};

// One extended symbol (codes 513..552, extended glyph n = code - 512). Most are
// drawn by the builder itself (symbols.cpp); `font_char` names a font glyph
// to use instead when it is not 0.
struct SymbolEntry {
  uint16_t code;
  const char* name;
  char32_t font_char;
};

const std::vector<CharEntry>& charset();
const std::vector<SymbolEntry>& symbol_set();

// A device code as the LCD shows it, in UTF-8: printable ASCII as itself, an
// accented letter or label symbol (128..255) as its character, an extended
// symbol (513..552) as its name in angle brackets ("⟨printer⟩"),
// and U+FFFD for a code that shows no character.
std::string device_code_shown(uint16_t code);
std::string device_codes_shown(const std::vector<uint16_t>& codes);
