// The message popup: word wrap, the timed close on the 102nd tick with the
// key drop, return modes, untimed popups and the shown-ids record.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "firmware/display/lcd.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/screens/popup.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "tests/core/lcd_test_font.h"

namespace {
std::string layout(const char* text) {
  PopupLine lines[3];
  int n = msg_popup_layout(text, lines);
  std::string out;
  for (int i = 0; i < n; ++i)
    out += std::to_string(lines[i].line) + "@" + std::to_string(lines[i].x) + ":" +
           std::string(text + lines[i].offset, lines[i].length) + "|";
  return out;
}

class Popup : public ::testing::Test {
 protected:
  void SetUp() override {
    lcd_test_font::install();
    mirror_init();
    kbd_init();
    ui_init();
    ui_set_mode(MODE_EDITOR);
    msg_popup_init();
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) msg_popup_task();
  }
};
}  // namespace

TEST(PopupLayout, ShortTextsSitCentredOnTheMiddleLine) {
  EXPECT_EQ(layout("ABCDEFGHIJKLMN"), "1@8:ABCDEFGHIJKLMN|");  // 14: alone at x 8
  EXPECT_EQ(layout("Insert Labels"), "1@8:Insert Labels|");    // 13: (1 / 2) * 9 + 8
  EXPECT_EQ(layout("Cannot Fit"), "1@26:Cannot Fit|");
  EXPECT_EQ(layout(""), "1@71:|");
}

TEST(PopupLayout, LongTextsWrapAtTheLastSpaceWhichStartsTheNextLine) {
  // 15 characters wrap; the space counts in the second line's centring.
  EXPECT_EQ(layout("ABCDEFG HIJKLMN"), "0@35:ABCDEFG|1@35: HIJKLMN|");
  // No space: 14 characters, then the rest.
  EXPECT_EQ(layout("ABCDEFGHIJKLMNOPQRST"), "0@8:ABCDEFGHIJKLMN|1@44:OPQRST|");
  EXPECT_EQ(layout("Max 50 characters per line"), "0@44:Max 50|1@17: characters|2@26: per line|");
  EXPECT_EQ(layout("Function Not Available"), "0@17:Function Not|1@26: Available|");
  // Text beyond the third line is not shown.
  EXPECT_EQ(layout("AAAAAAAAAAAAAABBBBBBBBBBBBBBCCCCCCCCCCCCCCDD"),
            "0@8:AAAAAAAAAAAAAA|1@8:BBBBBBBBBBBBBB|2@8:CCCCCCCCCCCCCC|");
  // A line that starts with its only space within 14 breaks before it and
  // shows nothing; the device does the same on the following lines.
  EXPECT_EQ(layout("Hi ABCDEFGHIJKLMNOP"), "0@62:Hi|1@71:|2@71:|");
}

TEST_F(Popup, TimedPopupDrawsOnItsFirstTickAndClosesOnThe102ndDroppingTheKey) {
  msg_popup_show(MSG_NOT_AVAILABLE, 1);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(msg_popup_current(), MSG_NOT_AVAILABLE);

  ticks(1);
  const uint8_t* shown = mirror_framebuffer();
  uint8_t upper, lower;
  lcd_test_font::lcd_column('F', 1, upper, lower);
  EXPECT_EQ(shown[18], upper);  // "Function Not" on line 0 at x 17
  EXPECT_EQ(shown[132 + 18], lower);
  lcd_test_font::lcd_column('A', 1, upper, lower);
  EXPECT_EQ(shown[264 + 26 + 9 + 1], upper);                     // " Available" on line 1 at x 26
  for (int i = 528; i < 1056; ++i) ASSERT_EQ(shown[i], 0) << i;  // line 2, status
  MirrorLamps lamps = mirror_lamps();
  EXPECT_FALSE(lamps.pt || lamps.bold || lamps.caps || lamps.func);
  EXPECT_EQ(lamps.battery, 0);

  kbd_put_key(KEY_A);
  ticks(100);  // 101 ticks so far
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(kbd_get_key(), KEY_A);
  ticks(1);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(kbd_get_key(), 0);
  EXPECT_EQ(msg_popup_current(), -1);
}

TEST_F(Popup, ASecondPopupWhileOneShowsIsIgnored) {
  msg_popup_show(MSG_CANNOT_FIT, 1);
  ticks(50);
  msg_popup_show(MSG_MAX_LINES, 1);
  EXPECT_EQ(msg_popup_current(), MSG_CANNOT_FIT);
  ticks(51);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);  // the count was not restarted
  ticks(1);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  ASSERT_EQ(msg_popup_history_count(), 1u);
  EXPECT_EQ(msg_popup_history_at(0), MSG_CANNOT_FIT);

  msg_popup_show(MSG_MAX_LINES, 1);
  ASSERT_EQ(msg_popup_history_count(), 2u);
  EXPECT_EQ(msg_popup_history_at(1), MSG_MAX_LINES);
  msg_popup_history_reset();
  EXPECT_EQ(msg_popup_history_count(), 0u);
}

TEST_F(Popup, APopupOverTheMarqueeReturnsToTheMenu) {
  ui_set_mode(MODE_MENU);
  ui_set_mode(MODE_MARQUEE);
  msg_popup_show(MSG_CANNOT_FIT, 1);
  ticks(102);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(ui_get_prev_mode(), 0);

  ui_set_mode(MODE_DIAG);
  msg_popup_show(MSG_CANNOT_FIT, 1);
  ticks(102);
  EXPECT_EQ(ui_get_mode(), MODE_DIAG);
}

TEST_F(Popup, AnUntimedPopupWaitsForCloseAndKeepsKeys) {
  ui_set_mode(MODE_PRINT);
  msg_popup_show(MSG_CUT_OR_PRINT, 0);
  kbd_put_key(KEY_PRINT);
  ticks(1000);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(kbd_get_key(), KEY_PRINT);
  msg_popup_close();
  EXPECT_EQ(ui_get_mode(), MODE_PRINT);
  ticks(1);  // nothing happens outside mode 12
  EXPECT_EQ(ui_get_mode(), MODE_PRINT);
}

TEST_F(Popup, TheWorkerThreadOpensAndClosesWhileTheTickDraws) {
  ui_set_mode(MODE_PRINT);
  std::atomic<bool> drawn{false};
  std::thread worker([&] {
    msg_popup_show(MSG_CUT_OR_PRINT, 0);  // as the engine's cut pause does
    while (!drawn) std::this_thread::yield();
    msg_popup_close();
  });
  while (msg_popup_current() != MSG_CUT_OR_PRINT) std::this_thread::yield();
  ticks(3);
  drawn = true;
  while (ui_get_mode() != MODE_PRINT) {
    msg_popup_task();
    std::this_thread::yield();
  }
  worker.join();
  uint8_t upper, lower;
  lcd_test_font::lcd_column('C', 1, upper, lower);
  EXPECT_EQ(mirror_framebuffer()[264 + 17 + 1], upper);  // 12 characters at x 17
  EXPECT_EQ(msg_popup_history_at(0), MSG_CUT_OR_PRINT);
}
