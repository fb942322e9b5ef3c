// The device character set: which character each device code shows.
#pragma once
#include <cstdint>
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
