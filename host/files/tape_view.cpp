#include "host/files/tape_view.h"

#include <algorithm>
#include <cstring>

#include "host/files/png.h"

const uint8_t TAPE_WINDOW_COLOUR[3] = {240, 240, 240};

namespace {
constexpr uint8_t kWhite[3] = {255, 255, 255};
constexpr uint8_t kBlack[3] = {0, 0, 0};
constexpr uint8_t kRed[3] = {255, 0, 0};  // engine dot 0, the head's first dot
constexpr uint8_t kGrey[3] = {128, 128, 128};

// A = visible label band, B = lower grey band, per cartridge id.
constexpr TapeBands kBands[12] = {
    {0, 0}, {76, 2}, {102, 3}, {152, 2}, {76, 78}, {102, 3}, {76, 25}, {100, 50}, {48, 25}, {68, 3}, {90, 3}, {130, 5},
};

void fill(uint8_t* rgb, int width, int x0, int y0, int x1, int y1, const uint8_t colour[3]) {
  x0 = std::max(x0, 0), y0 = std::max(y0, 0);
  x1 = std::min(x1, width), y1 = std::min(y1, TAPE_PAINT_HEIGHT);
  if (x0 >= x1 || y0 >= y1) return;
  // The first row pixel by pixel, the others copied from it whole.
  uint8_t* first = rgb + (size_t(y0) * width + x0) * 3;
  for (uint8_t* p = first; p < first + size_t(x1 - x0) * 3; p += 3) std::memcpy(p, colour, 3);
  for (int y = y0 + 1; y < y1; ++y) std::memcpy(rgb + (size_t(y) * width + x0) * 3, first, size_t(x1 - x0) * 3);
}

// The box from column first on: shown columns at x = 0.., of count in all.
void paint_box(uint8_t* rgb, int box_width, const TapeColumn* columns, size_t shown_columns, size_t count,
               size_t first, uint8_t cartridge_id, const uint8_t window_colour[3]) {
  const int w = box_width;
  fill(rgb, w, 0, 0, w, TAPE_PAINT_HEIGHT, window_colour);
  fill(rgb, w, 0, TAPE_BOX_TOP, w, TAPE_BOX_TOP + TAPE_DOTS, kWhite);

  for (size_t x = 0; x < shown_columns; ++x) {
    const TapeColumn& column = columns[x];
    for (int j = 0; j < TAPE_COLUMN_BYTES; ++j) {
      uint8_t bits = column[j];
      if (!bits) continue;
      for (int b = 0; b < 8; ++b) {
        if (!(bits & (0x80 >> b))) continue;
        int row = 8 * j + b;
        uint8_t* p = rgb + (size_t(TAPE_BOX_TOP + row) * w + x) * 3;
        std::memcpy(p, row == 127 ? kRed : kBlack, 3);
      }
    }
  }
  // Right of the last column the box shows the window's own colour.
  size_t shown = first < count ? count - first : 0;
  if (shown < size_t(w)) fill(rgb, w, int(shown), TAPE_BOX_TOP, w, TAPE_BOX_TOP + TAPE_DOTS, window_colour);

  // The bands lie over the tape box and start 3 pixels in from its left edge.
  TapeBands bands = tape_bands(cartridge_id);
  int top_height = TAPE_PAINT_HEIGHT - bands.label - bands.lower;
  if (top_height > 0) fill(rgb, w, 3, 0, w, top_height, kGrey);
  if (bands.lower > 0) fill(rgb, w, 3, TAPE_PAINT_HEIGHT - bands.lower, w, TAPE_PAINT_HEIGHT, kGrey);
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
  paint_box(rgb, box_width, columns.data(), columns.size(), count, first, cartridge_id, window_colour);
}

void tape_paint_columns(uint8_t* rgb, int box_width, const std::vector<TapeColumn>& columns, size_t first,
                        uint8_t cartridge_id, const uint8_t window_colour[3]) {
  if (!rgb || box_width <= 0) return;
  const size_t from = std::min(first, columns.size());
  const size_t shown = std::min(columns.size() - from, size_t(box_width));
  paint_box(rgb, box_width, columns.data() + from, shown, columns.size(), first, cartridge_id, window_colour);
}

std::vector<uint8_t> tape_render_all(uint8_t cartridge_id, int& width) {
  width = int(std::max<size_t>(tape_column_count(), TAPE_BOX_WIDTH));
  std::vector<uint8_t> rgb(size_t(width) * TAPE_PAINT_HEIGHT * 3);
  tape_paint(rgb.data(), width, 0, cartridge_id, TAPE_WINDOW_COLOUR);
  return rgb;
}

bool tape_write_png(const std::string& path, uint8_t cartridge_id) {
  int width = 0;
  std::vector<uint8_t> rgb = tape_render_all(cartridge_id, width);
  return png_write_rgb(path, width, TAPE_PAINT_HEIGHT, rgb.data());
}
