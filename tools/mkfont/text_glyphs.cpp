#include "tools/mkfont/text_glyphs.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
struct Ink {
  int first = -1, last = -1;  // inked bitmap columns
  bool empty() const { return first < 0; }
};

Ink ink_of(const Rendered& r) {
  Ink ink;
  for (int x = 0; x < r.width; ++x)
    for (int y = 0; y < r.rows; ++y)
      if (r.at(x, y)) {
        if (ink.first < 0) ink.first = x;
        ink.last = x;
        break;
      }
  return ink;
}

// Inked rows above and below the baseline.
bool extent(const Rendered& r, int& above, int& below) {
  int top_row = -1, bottom_row = -1;
  for (int y = 0; y < r.rows; ++y)
    for (int x = 0; x < r.width; ++x)
      if (r.at(x, y)) {
        if (top_row < 0) top_row = y;
        bottom_row = y;
        break;
      }
  if (top_row < 0) return false;
  above = r.top - top_row;
  below = bottom_row - r.top + 1;
  return true;
}

bool load(const TextStyle& style, char32_t c, int em64, Rendered& r) {
  if (style.face->render(c, em64, r)) return true;
  return style.fallback && style.fallback->render(c, em64, r);
}

// Rows a character may give up at a glyph height: 1 per 40 rows, at least 1.
int allowance(int height) { return std::max(1, height / 40); }

bool fits(const std::vector<TextStyle*>& styles, const std::vector<char32_t>& chars, int em64, int height,
          int& baseline) {
  int above = 0, below = 0;
  const int squeeze = allowance(height);
  for (const TextStyle* s : styles) {
    for (char32_t c : chars) {
      Rendered r;
      int a, b;
      if (!load(*s, c, em64, r) || !extent(r, a, b)) continue;
      if (c > 126) a -= squeeze, b -= squeeze;
      above = std::max(above, a);
      below = std::max(below, b);
      if (above + below > height) return false;
    }
  }
  baseline = above + (height - above - below) / 2;
  return true;
}

bool row_blank(const Rendered& r, int y) {
  for (int x = 0; x < r.width; ++x)
    if (r.at(x, y)) return false;
  return true;
}

void set_row(Rendered& r, int y, const std::vector<uint8_t>& row) {
  std::copy(row.begin(), row.end(), r.dots.begin() + ptrdiff_t(y) * r.width);
}

std::vector<uint8_t> get_row(const Rendered& r, int y) {
  return {r.dots.begin() + ptrdiff_t(y) * r.width, r.dots.begin() + ptrdiff_t(y + 1) * r.width};
}

// Moves everything above row `gap` down one row, dropping row `gap`.
void drop_row_down(Rendered& r, int gap) {
  for (int y = gap; y > 0; --y) set_row(r, y, get_row(r, y - 1));
  set_row(r, 0, std::vector<uint8_t>(size_t(r.width), 0));
}

// Moves everything below row `gap` up one row, dropping row `gap`.
void drop_row_up(Rendered& r, int gap) {
  for (int y = gap; y + 1 < r.rows; ++y) set_row(r, y, get_row(r, y + 1));
  set_row(r, r.rows - 1, std::vector<uint8_t>(size_t(r.width), 0));
}

// Takes one row out of the part above the baseline (or below it, `top` false).
void squeeze_once(Rendered& r, bool top) {
  int first = 0, last = r.rows - 1;
  while (first < r.rows && row_blank(r, first)) ++first;
  while (last >= 0 && row_blank(r, last)) --last;
  if (first > last) return;
  if (top) {
    for (int y = first + 1; y < r.top; ++y)
      if (row_blank(r, y)) return drop_row_down(r, y);
    std::vector<uint8_t> merged = get_row(r, first + 1), outer = get_row(r, first);
    for (size_t i = 0; i < merged.size(); ++i) merged[i] |= outer[i];
    set_row(r, first + 1, merged);
    drop_row_down(r, first);
  } else {
    for (int y = last - 1; y >= r.top; --y)
      if (row_blank(r, y)) return drop_row_up(r, y);
    std::vector<uint8_t> merged = get_row(r, last - 1), outer = get_row(r, last);
    for (size_t i = 0; i < merged.size(); ++i) merged[i] |= outer[i];
    set_row(r, last - 1, merged);
    drop_row_up(r, last);
  }
}
}  // namespace

void fit_styles(std::vector<TextStyle*> styles, const std::vector<char32_t>& chars, int height) {
  int baseline = 0;
  for (int em = height; em >= 4; --em) {
    if (!fits(styles, chars, em * 64, height, baseline)) continue;
    for (TextStyle* s : styles) {
      s->em64 = em * 64;
      s->baseline = baseline;
      s->height = height;
      s->squeeze = allowance(height);
    }
    return;
  }
  throw std::runtime_error("no size fits the glyph height");
}

Bitmap render_text(const TextStyle& style, char32_t c, int* clipped) {
  if (clipped) *clipped = 0;
  Rendered r;
  if (!load(style, c, style.em64, r)) throw std::runtime_error("no glyph for a character of the set");
  Ink ink = ink_of(r);
  if (ink.empty()) return Bitmap(style.cell ? style.cell : r.advance, style.height);
  int above = 0, below = 0;
  extent(r, above, below);
  for (int i = 0; i < style.squeeze && above > style.baseline; ++i, --above) squeeze_once(r, true);
  for (int i = 0; i < style.squeeze && below > style.height - style.baseline; ++i, --below) squeeze_once(r, false);

  int ink_width = ink.last - ink.first + 1;
  int ink_x = r.left + ink.first;  // from the pen position
  int width, x;
  if (style.cell) {
    // Monospaced: keep the face's own placement, the cell centred on its advance.
    width = style.cell;
    x = ink_x + (style.cell - r.advance) / 2;
    x = std::clamp(x, 0, std::max(0, width - ink_width));
  } else {
    // A little tracking: DejaVu's capitals fill their advance, and printed
    // dots would run into the next letter.
    int tracking = std::max(1, int(std::lround(style.height / 50.0)));
    int x0 = std::min(0, ink_x);
    int x1 = std::max(r.advance, ink_x + ink_width) + tracking;
    width = x1 - x0;
    x = ink_x - x0;
  }
  Bitmap b(width, style.height);
  int lost = 0;
  for (int y = 0; y < r.rows; ++y)
    for (int i = 0; i < ink_width; ++i) {
      if (!r.at(ink.first + i, y)) continue;
      int gx = x + i, gy = style.baseline - r.top + y;
      if (b.in(gx, gy))
        b.set(gx, gy);
      else
        ++lost;
    }
  if (clipped) *clipped = lost;
  return b;
}

Bitmap render_scaled(const Face& face, char32_t c, int height, int box_height, int max_width, int side) {
  // The largest size whose inked rows fit the box.
  Rendered best;
  int lo = 64, hi = box_height * 128;
  while (hi - lo > 1) {
    int mid = (lo + hi) / 2;
    Rendered r;
    int above, below;
    Ink ink;
    if (face.render(c, mid, r) && extent(r, above, below) && above + below <= box_height &&
        (ink = ink_of(r)).last - ink.first < max_width)
      lo = mid;
    else
      hi = mid;
  }
  if (!face.render(c, lo, best)) throw std::runtime_error("no glyph for a symbol");
  Ink ink = ink_of(best);
  int above = 0, below = 0;
  extent(best, above, below);
  int ink_width = ink.empty() ? 0 : ink.last - ink.first + 1;
  Bitmap b(ink_width + 2 * side, height);
  int top = (height - (above + below)) / 2;  // first inked row in the glyph
  for (int y = 0; y < best.rows; ++y)
    for (int i = 0; i < ink_width; ++i)
      if (best.at(ink.first + i, y)) b.set(side + i, top + (y - (best.top - above)));
  return b;
}
