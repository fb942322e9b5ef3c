// The firmware's drawing layer: LCD frame buffer, text, icons and the
// indicator lamps, flushed to the LCD mirror.
#pragma once
#include <cstdint>

void lcd_init();

// Indicator lamps, forwarded to the mirror.
void lcd_set_bold_indicator(bool on);
void lcd_set_pt_indicator(bool on);
void lcd_set_caps_indicator(bool on);
void lcd_set_func_indicator(bool on);

// Battery symbol from millivolts: >= 8001 level 3, < 7001 level 1, else 2.
void lcd_show_battery(int millivolts);
