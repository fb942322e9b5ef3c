// The marquee driven by its own task on the synthetic font: 9-dot cells
// whose ink fills columns 1..8, so that each frame shows where the cells
// fall.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "firmware/display/lcd.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/screens/marquee.h"
#include "firmware/screens/popup.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "menu_test_util.h"
#include "test_font_image.h"

namespace {

constexpr uint8_t kDutch = 5;

class Marquee : public ::testing::Test {
 protected:
  std::string image;

  void SetUp() override {
    image = test_font_image::install("marquee", menu_test::lcd_cells);
    mirror_init();
    kbd_init();
    ui_init();
    msg_popup_init();
    lcd_init();
    marquee_init();
    ui_set_mode(MODE_MENU);
  }
  void TearDown() override { std::filesystem::remove(image); }

  static void set_language(uint8_t language) {
    uint8_t settings[10] = {language, 0, 0, 0, 0, 0, 78, 78, 0xA4, 0};
    nvm_save_device_settings(settings);
  }
  // One step: nine ticks of the task.
  static void step(int steps = 1) {
    for (int i = 0; i < 9 * steps; ++i) marquee_task();
  }
  static bool inked(int line, int c) { return lcd_frame()[2 * line * LCD_COLUMNS + c] != 0; }
};

TEST_F(Marquee, ATextAsWideAsItsWindowDoesNotScroll) {
  const size_t n = std::strlen(msg_text(MSG_SYMBOLS));
  marquee_start(MSG_SYMBOLS, 0, uint8_t(9 * n));
  EXPECT_EQ(marquee_state(), 0);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  marquee_start(MSG_SYMBOLS, 0, uint8_t(9 * n - 1));
  EXPECT_EQ(marquee_state(), 1);
  EXPECT_EQ(ui_get_mode(), MODE_MARQUEE);
  EXPECT_EQ(ui_get_prev_mode(), MODE_MENU);
}

TEST_F(Marquee, TwentyCharactersIn128DotsScrollToTheLastColumnOfCharacter5) {
  set_language(kDutch);
  ASSERT_EQ(std::strlen(msg_text(MSG_CUT_OR_PRINT)), 20u);  // "Snijden of afdrukken" in Dutch
  marquee_start(MSG_CUT_OR_PRINT, 1, 128);                  // 14 characters visible
  for (int i = 0; i < 8; ++i) marquee_task();
  EXPECT_EQ(marquee_state(), 1);  // one step every 9 ticks
  marquee_task();
  EXPECT_EQ(marquee_state(), 3);  // drawn from the start, then the pause
  EXPECT_TRUE(inked(1, 0));       // highlighted: the blank first column of cell 0 reads dark
  EXPECT_FALSE(inked(1, 1));

  step(5);
  EXPECT_EQ(marquee_state(), 3);
  step(1);  // the sixth pause step
  EXPECT_EQ(marquee_state(), 2);
  step(1);  // the first scrolling step draws offset 0 once more
  EXPECT_EQ(marquee_pos(), 0);
  EXPECT_EQ(marquee_offset(), 1);

  step(6 * 9 - 1);  // characters 0..5, nine dots each
  EXPECT_EQ(marquee_state(), 4);
  EXPECT_EQ(marquee_pos(), 5);
  // The frame: column 0 is the last column of character 5 (ink), then
  // character 6 from column 1 (its blank first column), then ink again.
  // The line is inverted, so ink reads blank.
  EXPECT_FALSE(inked(1, 0));
  EXPECT_TRUE(inked(1, 1));
  EXPECT_FALSE(inked(1, 2));
  EXPECT_TRUE(inked(1, 10));   // character 7's first column
  EXPECT_TRUE(inked(1, 127));  // nothing after character 19

  const std::vector<uint8_t> frame(lcd_frame(), lcd_frame() + 2 * 132 * 4);
  step(5);  // the end pause holds the frame
  EXPECT_EQ(marquee_state(), 4);
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), lcd_frame()));
  step(1);
  EXPECT_EQ(marquee_state(), 1);  // and starts over
  step(1);
  EXPECT_EQ(marquee_state(), 3);
  EXPECT_EQ(marquee_pos(), 0);
}

TEST_F(Marquee, SerialCaptionsScrollWithoutTheHighlight) {
  marquee_start(MSG_INCREMENT_BY, 0, 82);  // 117 dots
  step();
  EXPECT_EQ(marquee_state(), 3);
  EXPECT_FALSE(inked(0, 0));  // cell 0's blank column, not inverted
  EXPECT_TRUE(inked(0, 1));
  EXPECT_FALSE(inked(0, 81));  // the window ends before the value

  marquee_init();
  ui_set_mode(MODE_MENU);
  marquee_start(MSG_TERMINATIONS, 0, 82);  // highlighted
  step();
  EXPECT_TRUE(inked(0, 0));
  EXPECT_FALSE(inked(0, 1));
}

TEST_F(Marquee, AShortTextEndsTheScrollingAtOnce) {
  marquee_start(MSG_LANDSCAPE_ONLY, 2, 128);
  ASSERT_EQ(ui_get_mode(), MODE_MARQUEE);
  marquee_start(MSG_SYMBOLS, 2, 128);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(ui_get_prev_mode(), 0);
  EXPECT_EQ(marquee_state(), 0);
  step(3);  // and nothing more is drawn
  EXPECT_EQ(marquee_state(), 0);
}

TEST_F(Marquee, APopupOverTheScrollingReturnsToTheMenu) {
  marquee_start(MSG_LANDSCAPE_ONLY, 0, 128);
  msg_popup_show(MSG_ERROR, 1);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  for (int i = 0; i < 102; ++i) msg_popup_task();
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
}

}  // namespace
