#include "host/files/tape_view.h"

#include <algorithm>
#include <cstring>

#include "host/files/output_file.h"
#include "host/files/png.h"

const uint8_t TAPE_WINDOW_COLOUR[3] = {240, 240, 240};

namespace {
// The picture's colours: index 0 is the window's own colour. The rare one
// comes last: a tape without it is a picture of four colours, two bits a
// pixel in its PNG.
enum TapeColour : uint8_t { kWindow, kWhite, kBlack, kGrey, kRed, kTapeColours };
constexpr uint8_t kRgb[kTapeColours][3] = {
    {0, 0, 0},        // the window's colour, given by the caller
    {255, 255, 255},  // the tape
    {0, 0, 0},        // a printed dot
    {128, 128, 128},  // the void bands
    {255, 0, 0},      // engine dot 0, the head's first dot
};

// A = visible label band, B = lower grey band, per cartridge id.
constexpr TapeBands kBands[12] = {
    {0, 0}, {76, 2}, {102, 3}, {152, 2}, {76, 78}, {102, 3}, {76, 25}, {100, 50}, {48, 25}, {68, 3}, {90, 3}, {130, 5},
};

// The picture as RGB (three bytes a pixel) or as colour indices (one byte).
struct RgbPixels {
  uint8_t* rgb;
  const uint8_t* window_colour;
  static constexpr size_t kBytes = 3;
  uint8_t* at(size_t pixel) const { return rgb + pixel * 3; }
  void put(uint8_t* p, TapeColour c) const { std::memcpy(p, c == kWindow ? window_colour : kRgb[c], 3); }
};
struct IndexPixels {
  uint8_t* index;
  static constexpr size_t kBytes = 1;
  uint8_t* at(size_t pixel) const { return index + pixel; }
  void put(uint8_t* p, TapeColour c) const { *p = c; }
};

template <class Pixels>
void fill(const Pixels& px, int width, int x0, int y0, int x1, int y1, TapeColour colour) {
  x0 = std::max(x0, 0), y0 = std::max(y0, 0);
  x1 = std::min(x1, width), y1 = std::min(y1, TAPE_PAINT_HEIGHT);
  if (x0 >= x1 || y0 >= y1) return;
  // The first row pixel by pixel, the others copied from it whole.
  uint8_t* first = px.at(size_t(y0) * width + x0);
  const size_t bytes = size_t(x1 - x0) * Pixels::kBytes;
  for (uint8_t* p = first; p < first + bytes; p += Pixels::kBytes) px.put(p, colour);
  for (int y = y0 + 1; y < y1; ++y) std::memcpy(px.at(size_t(y) * width + x0), first, bytes);
}

// The box from column first on: shown columns at x = 0.., of count in all.
// Returns whether a red dot was painted.
template <class Pixels>
bool paint_box(const Pixels& px, int box_width, const TapeColumn* columns, size_t shown_columns, size_t count,
               size_t first, uint8_t cartridge_id) {
  const int w = box_width;
  fill(px, w, 0, 0, w, TAPE_PAINT_HEIGHT, kWindow);
  fill(px, w, 0, TAPE_BOX_TOP, w, TAPE_BOX_TOP + TAPE_DOTS, kWhite);

  bool red = false;
  for (size_t x = 0; x < shown_columns; ++x) {
    const TapeColumn& column = columns[x];
    red = red || (column[TAPE_COLUMN_BYTES - 1] & 1);
    for (int j = 0; j < TAPE_COLUMN_BYTES; ++j) {
      uint8_t bits = column[j];
      if (!bits) continue;
      for (int b = 0; b < 8; ++b) {
        if (!(bits & (0x80 >> b))) continue;
        int row = 8 * j + b;
        px.put(px.at(size_t(TAPE_BOX_TOP + row) * w + x), row == 127 ? kRed : kBlack);
      }
    }
  }
  // Right of the last column the box shows the window's own colour.
  size_t shown = first < count ? count - first : 0;
  if (shown < size_t(w)) fill(px, w, int(shown), TAPE_BOX_TOP, w, TAPE_BOX_TOP + TAPE_DOTS, kWindow);

  // The bands lie over the tape box and start 3 pixels in from its left edge.
  TapeBands bands = tape_bands(cartridge_id);
  int top_height = TAPE_PAINT_HEIGHT - bands.label - bands.lower;
  if (top_height > 0) fill(px, w, 3, 0, w, top_height, kGrey);
  if (bands.lower > 0) fill(px, w, 3, TAPE_PAINT_HEIGHT - bands.lower, w, TAPE_PAINT_HEIGHT, kGrey);
  return red;
}

}  // namespace

TapeScroll tape_scroll_for(size_t count, int box_width) {
  TapeScroll scroll;
  if (box_width < 0 || count <= size_t(box_width)) return scroll;
  scroll.shown = true;
  scroll.maximum = int(std::min<size_t>(count - size_t(box_width), size_t(INT32_MAX)));
  scroll.position = scroll.maximum;  // the newest columns in view
  return scroll;
}

TapeBands tape_bands(uint8_t cartridge_id) { return cartridge_id < 12 ? kBands[cartridge_id] : TapeBands{}; }

void tape_paint(uint8_t* rgb, int box_width, size_t first, uint8_t cartridge_id, const uint8_t window_colour[3]) {
  if (!rgb || box_width <= 0) return;
  std::vector<TapeColumn> columns;
  size_t count = tape_copy_columns(first, size_t(box_width), columns);
  paint_box(RgbPixels{rgb, window_colour}, box_width, columns.data(), columns.size(), count, first, cartridge_id);
}

void tape_paint_columns(uint8_t* rgb, int box_width, const std::vector<TapeColumn>& columns, size_t first,
                        uint8_t cartridge_id, const uint8_t window_colour[3]) {
  if (!rgb || box_width <= 0) return;
  const size_t from = std::min(first, columns.size());
  const size_t shown = std::min(columns.size() - from, size_t(box_width));
  paint_box(RgbPixels{rgb, window_colour}, box_width, columns.data() + from, shown, columns.size(), first,
            cartridge_id);
}

std::vector<uint8_t> tape_render_all(uint8_t cartridge_id, int& width) {
  width = int(std::max<size_t>(tape_column_count(), TAPE_BOX_WIDTH));
  std::vector<uint8_t> rgb(size_t(width) * TAPE_PAINT_HEIGHT * 3);
  tape_paint(rgb.data(), width, 0, cartridge_id, TAPE_WINDOW_COLOUR);
  return rgb;
}

std::string tape_png(uint8_t cartridge_id) {
  // Painted as colour indices straight away: the PNG stores those, and no
  // RGB picture is made only to find its five colours again.
  const int width = int(std::max<size_t>(tape_column_count(), TAPE_BOX_WIDTH));
  std::vector<uint8_t> index(size_t(width) * TAPE_PAINT_HEIGHT);
  std::vector<TapeColumn> columns;
  const size_t count = tape_copy_columns(0, size_t(width), columns);
  const bool red = paint_box(IndexPixels{index.data()}, width, columns.data(), columns.size(), count, 0, cartridge_id);
  uint8_t palette[kTapeColours][3];
  std::memcpy(palette, kRgb, sizeof palette);
  std::memcpy(palette[kWindow], TAPE_WINDOW_COLOUR, 3);
  return png_encode_indexed(width, TAPE_PAINT_HEIGHT, palette, red ? kRed + 1 : kRed, index.data());
}

bool tape_write_png(const std::string& path, uint8_t cartridge_id) {
  const std::string png = tape_png(cartridge_id);
  return !png.empty() && output_file_write_bytes(path, png.data(), png.size());
}
