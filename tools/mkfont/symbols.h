// The extended symbols drawn by the builder: electrical, network and equipment
// signs for labels, scaled to each glyph height with whole-dot strokes.
#pragma once
#include <cstdint>

#include "tools/mkfont/face.h"
#include "tools/mkfont/glyph.h"

// Rows left blank above and below a symbol, and its blank side columns.
int symbol_margin(int height);

// Draws extended symbol `code` (513..552) for a glyph height. `letters` is the
// face used for the few symbols that carry a letter (the motor's M).
Bitmap draw_symbol(uint16_t code, int height, const Face& letters);
