// Letters, digits and punctuation from the font faces, fitted to a glyph height.
#pragma once
#include <vector>

#include "tools/mkfont/face.h"
#include "tools/mkfont/glyph.h"

// How one weight of one size is drawn.
struct TextStyle {
  const Face* face = nullptr;
  const Face* fallback = nullptr;  // for characters the face lacks
  int em64 = 0;                    // size in 64ths of a dot per em
  int baseline = 0;                // rows from the top of the glyph to the baseline
  int height = 0;
  int cell = 0;     // fixed advance (monospaced), 0 = the face's own advance
  int squeeze = 0;  // rows an accented letter may give up to fit (see fit_styles)
};

// Finds the largest whole size (dots per em, where the faces' hinting is made
// for) at which every character of `chars` in every style fits the height on
// one baseline; sets em64, baseline and squeeze of the styles. Plain ASCII
// must fit as drawn; the other characters (accents over capitals, a comma
// below) may give up a few rows: a blank row between the mark and the letter
// is taken out, or else the mark's outer row is merged into the next.
void fit_styles(std::vector<TextStyle*> styles, const std::vector<char32_t>& chars, int height);

// Renders one character; clipped counts dots lost to the cell (0 when it fits).
Bitmap render_text(const TextStyle& style, char32_t c, int* clipped = nullptr);

// Renders a character of a face as large as fits a box of box_height rows and
// max_width columns, centred in a glyph of the given height, with `side`
// blank columns each side.
Bitmap render_scaled(const Face& face, char32_t c, int height, int box_height, int max_width, int side);
