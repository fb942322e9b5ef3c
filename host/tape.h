// The printed tape. The print engine hands every dot column it prints to this
// module instead of a print head; the Print Output window shows the columns of
// the current tape one pixel per dot, the tape running from left to right, with
// grey bands above and below where the head lies outside the loaded material.
//
// The model is Qt-free: the worker thread appends, the window thread (or the
// batch runner) paints the same picture through tape_paint.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int TAPE_COLUMN_BYTES = 16;  // 128 dots across the tape
constexpr int TAPE_DOTS = 128;
constexpr int TAPE_BOX_WIDTH = 481;     // columns in view in the window at zoom 1
constexpr int TAPE_BOX_TOP = 12;        // the tape box's top row in the painted area
constexpr int TAPE_PAINT_HEIGHT = 152;  // void bands and tape box, above the scroll bar
// The tape keeps at most this many columns (8 m of tape); older ones are dropped.
constexpr size_t TAPE_MAX_COLUMNS = 65536;

using TapeColumn = std::array<uint8_t, TAPE_COLUMN_BYTES>;

// ---- The print sink (called by the print engine on the worker thread) ----
void tape_init();
void tape_task();
// A new label: clears the tape (unless a sample sequence is running) and shows
// the window; always ends with the cut flag cleared.
void tape_begin();
// One engine column: byte k bit 7 first is engine dot 8k.
void tape_add_column(const uint8_t column[TAPE_COLUMN_BYTES]);
// The label is done: the window updates its scroll bar and repaints, then the
// caller waits 100 ms of host time.
void tape_end();
// True while the engine prints a sequence of built-in sample labels.
bool tape_sequence_running();

// ---- The window side ----
enum class TapeEvent {
  Begun,  // a new tape: scroll to 0, show the window and bring it to the front
  Ended,  // a label is complete: resize step and repaint
};
// Called on the thread that calls the sink (the worker); it must not block
// nor call tape_set_listener. nullptr removes it, waiting for a call in
// progress to finish.
using TapeListener = void (*)(TapeEvent event, void* context);
void tape_set_listener(TapeListener listener, void* context);

size_t tape_column_count();
// Columns dropped from the start of the current tape since it began.
uint64_t tape_dropped_columns();
// A copy of stored column i (display order: byte j holds pixel rows 8j..8j+7,
// bit 7 first; engine dot d is pixel row 127 - d). False when i is out of range.
bool tape_column(size_t index, TapeColumn& out);

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

// The whole tape as the window paints it: at least TAPE_BOX_WIDTH wide, every
// column in view. Returns the RGB picture and its width.
std::vector<uint8_t> tape_render_all(uint8_t cartridge_id, int& width);
bool tape_write_png(const std::string& path, uint8_t cartridge_id);

// The window background that fills what no band or column covers.
extern const uint8_t TAPE_WINDOW_COLOUR[3];
