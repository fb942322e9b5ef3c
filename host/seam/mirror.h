// The LCD mirror: a copy of the firmware's 132 x 64 frame buffer painted at
// double size into a 264 x 128 RGB picture, the blinking text cursor, the
// background colour and the indicator lamps that sit over the picture's lower
// right corner. The device window and the batch runner show this picture;
// the firmware's side is firmware/platform/lcd_mirror.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "firmware/platform/lcd_mirror.h"

constexpr int MIRROR_WIDTH = 264;
constexpr int MIRROR_HEIGHT = 128;

struct MirrorLamps {
  bool pt = true;
  bool bold = true;
  bool caps = false;
  bool func = false;
  uint8_t battery = 3;  // 0 hidden, 1 outline, 2 one bar, 3 two bars
};

void mirror_redraw();
void mirror_set_background(uint8_t on);
void mirror_cursor_toggle();

constexpr size_t MIRROR_RGB_BYTES = size_t(MIRROR_WIDTH) * MIRROR_HEIGHT * 3;

// Copies the picture: MIRROR_HEIGHT rows of MIRROR_WIDTH RGB pixels.
void mirror_copy_rgb(uint8_t out[MIRROR_RGB_BYTES]);
// Copies the mirror framebuffer as last pushed by the firmware.
void mirror_copy_framebuffer(uint8_t out[LCD_FRAME_BYTES]);
// The same as snapshots taken now, valid until this thread's next call.
const uint8_t* mirror_rgb();
const uint8_t* mirror_framebuffer();
MirrorLamps mirror_lamps();
// The lamps as the device window shows them when it is made, before the
// firmware sets any (a device started again in the same process).
void mirror_reset_lamps();
// Grows by one whenever the picture or a lamp changes; windows repaint on it.
uint64_t mirror_generation();
