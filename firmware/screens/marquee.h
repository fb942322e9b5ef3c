// Scrolling text line (mode 8): a menu entry wider than its room scrolls
// sideways one dot every 9 ticks, pausing six steps at its start and at its
// end, while the screen that started it stays the previous mode and keeps
// taking the keys. Starting it for a text that fits ends mode 8.
#pragma once
#include <cstdint>

void marquee_init();
// Scrolls message `id` in columns 0..width-1 of text line `line` when it is
// wider than that (its length times the width of its first character);
// otherwise stops the scrolling and, in mode 8, returns to the previous mode.
void marquee_start(uint8_t id, uint8_t line, uint8_t width);
// The mode task: one step every 9 ticks while the UI mode is 8.
void marquee_task();

// For tests: 0 idle, 1 start, 2 scrolling, 3 pause at the start, 4 pause at
// the end; the first (partly) visible character and the columns of it
// already scrolled out.
uint8_t marquee_state();
uint8_t marquee_pos();
uint8_t marquee_offset();
