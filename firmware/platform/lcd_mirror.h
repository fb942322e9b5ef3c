// The LCD: the firmware keeps its 132 x 64 frame buffer (8 pages x 132
// columns) and loads it, whole or one text line at a time, into the display;
// the blinking text cursor, the background and the indicator lamps beside
// the picture are the display's own.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t LCD_FRAME_BYTES = 1056;  // 8 pages x 132 columns
constexpr size_t LCD_LINE_BYTES = 264;    // one text line: two pages

void mirror_init();
void mirror_load(const uint8_t frame[LCD_FRAME_BYTES]);
void mirror_load_line(uint8_t line, const uint8_t source[LCD_LINE_BYTES]);
void mirror_toggle_background();
void mirror_set_background(uint8_t on);  // the service tests light it for their duration
void mirror_cursor_set(uint8_t line, uint8_t column);
void mirror_cursor_mode(uint8_t mode);
// Called every tick: the cursor's blink phase.
void mirror_cursor_tick();
void mirror_show_bold(bool visible);
void mirror_show_pt(bool visible);
void mirror_show_caps(bool visible);
void mirror_show_func(bool visible);
// 0 hidden, 1 outline, 2 one bar, 3 two bars.
void mirror_show_battery(uint8_t level);
