#include "host/seam/mirror.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace {
constexpr uint8_t kGreen[3] = {156, 180, 145};  // normal LCD background
constexpr uint8_t kGrey[3] = {237, 237, 237};   // background flag set
constexpr uint8_t kBlack[3] = {0, 0, 0};

// The tick draws on the window thread, but the print engine on the worker
// also reaches the mirror (cursor mode while printing, Func + Space in the cut
// pause), and the window paints from it: every access takes the lock.
struct Mirror {
  std::mutex lock;
  uint8_t frame[LCD_FRAME_BYTES] = {};
  uint8_t rgb[MIRROR_HEIGHT * MIRROR_WIDTH * 3] = {};
  uint8_t background = 0;
  uint16_t cursor_column = 1;  // requested column + 1
  uint8_t cursor_line = 0;
  uint8_t cursor_phase = 0;
  uint8_t cursor_mode = 0;
  uint8_t blink = 0;
  MirrorLamps lamps;
  std::atomic<uint64_t> generation{0};
  // The picture is painted when someone reads it, not at every load: a
  // headless run loads the LCD thousands of times and reads it once. Until
  // then rgb is stale and the cursor bars drawn since the load wait here.
  bool rgb_stale = false;
  struct Bar {
    int x, top, bottom;
    const uint8_t* colour;
  };
  std::vector<Bar> bars;
} s;

void fill(int x0, int y0, int x1, int y1, const uint8_t colour[3]) {
  for (int y = y0; y < y1; ++y) {
    uint8_t* p = s.rgb + (y * MIRROR_WIDTH + x0) * 3;
    for (int x = x0; x < x1; ++x, p += 3) std::memcpy(p, colour, 3);
  }
}

// Columns painted on a page: page 6 shows all rows only up to column 56 and
// just its top row beyond; page 7 stops at column 55. The indicator lamps sit
// in the corner left unpainted.
int painted_columns(int page) { return page == 7 ? 56 : 132; }

void changed() { s.generation++; }

// Paints dot row by dot row: each row of 132 dots becomes one 264-pixel row,
// copied twice for the double height; then the cursor bars drawn since.
void paint_locked() {
  const uint8_t* bg = s.background ? kGrey : kGreen;
  for (int row = 0; row < 64; ++row) {
    int page = row / 8;
    uint8_t mask = uint8_t(0x80 >> (row % 8));
    int columns = painted_columns(page);
    uint8_t* out = s.rgb + size_t(2 * row) * MIRROR_WIDTH * 3;
    const uint8_t* bits = s.frame + page * 132;
    for (int c = 0; c < 132; ++c) {
      const uint8_t* colour = c < columns && (bits[c] & mask) ? kBlack : bg;
      std::memcpy(out + c * 6, colour, 3);
      std::memcpy(out + c * 6 + 3, colour, 3);
    }
    std::memcpy(out + MIRROR_WIDTH * 3, out, MIRROR_WIDTH * 3);
  }
  for (const Mirror::Bar& b : s.bars) fill(b.x, b.top, b.x + 2, b.bottom, b.colour);
  s.bars.clear();
  s.rgb_stale = false;
}

// A new picture: painted when it is read.
void redraw_locked() {
  for (int c = 57; c < 132; ++c) s.frame[6 * 132 + c] &= 0x80;  // the mirror's own copy
  s.rgb_stale = true;
  s.bars.clear();
  changed();
}

void toggle_cursor_locked() {
  // The bar is painted over the picture, not into the framebuffer, so the
  // next redraw removes it. Its dark-off colour is always the green.
  const uint8_t* colour = s.cursor_phase ? kBlack : kGreen;
  int x = s.cursor_column < 2 ? 2 : 2 * s.cursor_column - 2;
  int top = 32 * s.cursor_line + 2;
  int bottom = 32 * s.cursor_line + 30;
  if (x + 2 <= MIRROR_WIDTH && bottom <= MIRROR_HEIGHT) {
    // A picture not yet painted takes the bar when it is; an idle device
    // blinks for hours without a load, so a long queue is painted now.
    if (s.rgb_stale && s.bars.size() >= 64) paint_locked();
    if (s.rgb_stale)
      s.bars.push_back({x, top, bottom, colour});
    else
      fill(x, top, x + 2, bottom, colour);
  }
  s.cursor_phase = !s.cursor_phase;
  changed();
}

using Guard = std::lock_guard<std::mutex>;

void set_lamp(bool MirrorLamps::*lamp, bool visible) {
  Guard g(s.lock);
  s.lamps.*lamp = visible;
  changed();
}
}  // namespace

void mirror_init() {
  Guard g(s.lock);
  std::memset(s.frame, 0, sizeof s.frame);
  s.rgb_stale = true;  // all green, when it is read
  s.bars.clear();
  s.background = 0;
  s.cursor_column = 1;
  s.cursor_line = 0;
  s.cursor_phase = 0;
  s.cursor_mode = 0;
  s.blink = 0;
  changed();
}

void mirror_reset_lamps() {
  Guard g(s.lock);
  s.lamps = MirrorLamps{};
  changed();
}

void mirror_load(const uint8_t frame[LCD_FRAME_BYTES]) {
  Guard g(s.lock);
  std::memcpy(s.frame, frame, LCD_FRAME_BYTES);
  redraw_locked();
}

void mirror_load_line(uint8_t line, const uint8_t source[LCD_LINE_BYTES]) {
  if (line > 3) return;
  Guard g(s.lock);
  std::memcpy(s.frame + line * LCD_LINE_BYTES, source, LCD_LINE_BYTES);
  redraw_locked();
}

void mirror_redraw() {
  Guard g(s.lock);
  redraw_locked();
}

void mirror_toggle_background() {
  Guard g(s.lock);
  s.background = !s.background;
  redraw_locked();
}

void mirror_set_background(uint8_t on) {
  Guard g(s.lock);
  s.background = on;
  redraw_locked();
}

void mirror_cursor_set(uint8_t line, uint8_t column) {
  Guard g(s.lock);
  s.cursor_line = line;
  s.cursor_column = uint16_t(column + 1);
  s.cursor_phase = 1;
  s.blink = 30;
}

void mirror_cursor_mode(uint8_t mode) {
  Guard g(s.lock);
  s.cursor_mode = mode;
}

void mirror_cursor_tick() {
  Guard g(s.lock);
  uint8_t taken = s.blink++;
  if (taken > 30 && s.cursor_mode != 2) {
    toggle_cursor_locked();
    s.blink = 0;
  }
}

void mirror_cursor_toggle() {
  Guard g(s.lock);
  toggle_cursor_locked();
}

void mirror_show_bold(bool visible) { set_lamp(&MirrorLamps::bold, visible); }
void mirror_show_pt(bool visible) { set_lamp(&MirrorLamps::pt, visible); }
void mirror_show_caps(bool visible) { set_lamp(&MirrorLamps::caps, visible); }
void mirror_show_func(bool visible) { set_lamp(&MirrorLamps::func, visible); }

void mirror_show_battery(uint8_t level) {
  Guard g(s.lock);
  s.lamps.battery = level <= 3 ? level : 0;
  changed();
}

void mirror_copy_rgb(uint8_t* out) {
  Guard g(s.lock);
  if (s.rgb_stale) paint_locked();
  std::memcpy(out, s.rgb, sizeof s.rgb);
}

void mirror_copy_framebuffer(uint8_t* out) {
  Guard g(s.lock);
  std::memcpy(out, s.frame, sizeof s.frame);
}

const uint8_t* mirror_rgb() {
  // On the heap, made at a thread's first read: a 100 KB array in static TLS
  // would be zeroed for every thread started, the print worker's too.
  thread_local std::vector<uint8_t> snapshot(MIRROR_RGB_BYTES);
  mirror_copy_rgb(snapshot.data());
  return snapshot.data();
}

const uint8_t* mirror_framebuffer() {
  thread_local uint8_t snapshot[LCD_FRAME_BYTES];
  mirror_copy_framebuffer(snapshot);
  return snapshot;
}

MirrorLamps mirror_lamps() {
  Guard g(s.lock);
  return s.lamps;
}
uint64_t mirror_generation() { return s.generation; }
