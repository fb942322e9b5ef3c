// A simulated device for the menu tests: the synthetic font image with the
// LCD font's 9-dot cells (regular and bold), 3/4-inch tape, settled in the
// editor. Keys go in as clicks on the key pictures; a timed popup left
// showing is let close before the next key, as a person would wait for it.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/menu/menu_state.h"
#include "firmware/nvm/nvm.h"
#include "firmware/screens/popup.h"
#include "host/seam/cartridge.h"
#include "host/seam/keys.h"
#include "print_test_util.h"

namespace menu_test {

// Size-1 cells 9 dots wide in both weights, the ink in columns 1..8; the
// print sizes keep the default widths.
inline test_font_image::Metrics lcd_cells(uint8_t size, uint8_t bold, uint16_t code) {
  if (code != 0 && size <= 1) return {9, 1, 0};
  return test_font_image::default_metrics(size, bold, code);
}

class MenuDevice : public print_test::DeviceTest {
 protected:
  test_font_image::MetricsFn metrics() override { return lcd_cells; }

  void SetUp() override {
    print_test::DeviceTest::SetUp();
    // The Func key's state outlives a device: start with it off.
    while (func_state() != 1) {
      func_key_down();
      func_key_up();
    }
    msg_popup_history_reset();
  }

  static MenuState& m() { return menu_state(); }
  static LabelRecord& r() { return *lbl_record(); }
  static uint8_t entry() { return menu_selected_entry(); }

  void close_popup() {
    for (int i = 0; i < 120 && ui_get_mode() == MODE_POPUP; ++i) device->tick();
  }
  void press(uint8_t code) {
    close_popup();
    key(code);
  }
  void press(std::initializer_list<uint8_t> codes) {
    for (uint8_t c : codes) press(c);
  }
  void func(uint8_t code) {
    close_popup();
    key_input::func_picture_click();
    key(code);
  }
  void digits(const std::string& s) {
    for (char c : s) press(key_digit(c - '0'));
  }
  void type(const std::string& s) {
    for (char c : s) {
      if (c == ' ')
        press(KEY_SPACE);
      else if (c >= '0' && c <= '9')
        press(key_digit(c - '0'));
      else
        press(key_letter(char(c >= 'a' ? c - 32 : c)));
    }
  }
  // Down (or Up) until the entry `id` is selected; false when it is not in the list.
  bool select(uint8_t id) {
    for (int i = 0; i < 20; ++i) {
      if (entry() == id) return true;
      press(KEY_DOWN);
    }
    return false;
  }

  static std::vector<int> messages() {
    std::vector<int> ids;
    for (size_t i = 0; i < msg_popup_history_count(); ++i) ids.push_back(msg_popup_history_at(i));
    return ids;
  }
  static std::string line_text(int line) {
    std::string s;
    const LabelLine& ln = lbl_record()->lines[line];
    for (int i = 0; i < ln.length; ++i) s += char(ln.cells[i]);
    return s;
  }
  // Column c of a text line as the two bytes of its pages.
  static uint16_t column(int line, int c) {
    const uint8_t* f = lcd_frame();
    return uint16_t(f[2 * line * LCD_COLUMNS + c] << 8 | f[(2 * line + 1) * LCD_COLUMNS + c]);
  }
  static bool inverted(int line, int c) { return column(line, c) == 0xFFFF; }
};

}  // namespace menu_test
