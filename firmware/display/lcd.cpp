#include "firmware/display/lcd.h"

#include "host/mirror.h"

void lcd_init() {}

void lcd_set_bold_indicator(bool on) { mirror_show_bold(on); }
void lcd_set_pt_indicator(bool on) { mirror_show_pt(on); }
void lcd_set_caps_indicator(bool on) { mirror_show_caps(on); }
void lcd_set_func_indicator(bool on) { mirror_show_func(on); }

void lcd_show_battery(int millivolts) {
  uint8_t level = 2;
  if (millivolts >= 8001)
    level = 3;
  else if (millivolts < 7001)
    level = 1;
  mirror_show_battery(level);
}
