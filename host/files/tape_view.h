// The Print Output window's picture of the tape, free of any toolkit: the
// columns one pixel per dot, the tape running from left to right, with grey
// bands above and below where the head lies outside the loaded material, and
// the scroll bar's range. The window and the batch runner paint the same.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/seam/tape.h"

constexpr int TAPE_BOX_WIDTH = 481;     // columns in view in the window at zoom 1
constexpr int TAPE_BOX_TOP = 12;        // the tape box's top row in the painted area
constexpr int TAPE_PAINT_HEIGHT = 152;  // void bands and tape box, above the scroll bar

// The scroll bar for a tape of count columns in a box box_width wide.
struct TapeScroll {
  bool shown = false;
  int maximum = 0;
  int position = 0;
};
TapeScroll tape_scroll_for(size_t count, int box_width);

// The void bands for a cartridge id: A the visible label band, B the lower
// grey band, in pixels. Ids above 11 have no entry and give 0, 0.
struct TapeBands {
  int label = 0;
  int lower = 0;
};
TapeBands tape_bands(uint8_t cartridge_id);

// Paints the window's picture into rgb (width x TAPE_PAINT_HEIGHT, RGB,
// row-major): the tape box box_width wide starting at column first, the void
// bands of the cartridge, the rest in window_colour.
void tape_paint(uint8_t* rgb, int box_width, size_t first, uint8_t cartridge_id, const uint8_t window_colour[3]);
// The same picture of other columns (a label of the tape history).
void tape_paint_columns(uint8_t* rgb, int box_width, const std::vector<TapeColumn>& columns, size_t first,
                        uint8_t cartridge_id, const uint8_t window_colour[3]);

// The whole tape as the window paints it: at least TAPE_BOX_WIDTH wide, every
// column in view. Returns the RGB picture and its width.
std::vector<uint8_t> tape_render_all(uint8_t cartridge_id, int& width);
// The same picture as the bytes of a PNG (empty if it cannot be made), and
// written to a file.
std::string tape_png(uint8_t cartridge_id);
bool tape_write_png(const std::string& path, uint8_t cartridge_id);

// The window background that fills what no band or column covers.
extern const uint8_t TAPE_WINDOW_COLOUR[3];
