#include <gtest/gtest.h>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/menu/menu_ids.h"
#include "firmware/screens/pickers.h"
#include "host/seam/mirror.h"

TEST(Version, IsOnePointThree) {
  EXPECT_EQ(fw_version_major(), 1);
  EXPECT_EQ(fw_version_minor(), 3);
}

TEST(ModeRegister, InitEntersPowerOnAndClearsRepeatFlag) {
  prn_set_repeat_flag(1);
  ui_init();
  EXPECT_EQ(ui_get_mode(), MODE_POWER_ON);
  EXPECT_EQ(prn_get_repeat_flag(), 0);
}

TEST(ModeRegister, MarqueeRemembersTheModeItStartedFrom) {
  ui_init();
  ui_set_mode(MODE_MENU);
  ui_set_mode(MODE_MARQUEE);
  EXPECT_EQ(ui_get_prev_mode(), MODE_MENU);
  ui_set_mode(MODE_MARQUEE);  // again while current: previous mode kept
  EXPECT_EQ(ui_get_prev_mode(), MODE_MENU);
  ui_set_mode(MODE_POPUP);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(ui_get_prev_mode(), 0);
}

TEST(ModeRegister, IntlPickerRecordsTheModeToReturnTo) {
  ui_init();
  ui_set_mode(MODE_EDITOR);
  ui_set_mode(MODE_INTL_PICKER);
  EXPECT_EQ(intl_return_mode(), MODE_EDITOR);
  ui_set_mode(MODE_MENU);
  ui_set_mode(MODE_INTL_PICKER);
  EXPECT_EQ(intl_return_mode(), MODE_MENU);
}

TEST(Tick, FirstTickRunsInPowerOnModeAndLeavesTheEditorForTheSecond) {
  ui_init();
  EXPECT_EQ(ui_get_mode(), MODE_POWER_ON);
  sys_tick();  // every task sees mode 28; the power-on task is last
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST(Tick, PassThroughModeGoesToTheEditor) {
  ui_init();
  ui_set_mode(MODE_PASS_THROUGH);
  sys_tick();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

class FuncKey : public ::testing::Test {
 protected:
  void SetUp() override {
    mirror_init();
    // Drive the machine back to its off state whatever a previous test left.
    while (func_state() != 1) {
      func_key_down();
      func_key_up();
    }
    mirror_show_func(false);
  }
  bool lamp() { return mirror_lamps().func; }
};

TEST_F(FuncKey, PressAndReleaseAloneLatchesForOneKey) {
  func_key_down();
  EXPECT_EQ(func_state(), 0);
  EXPECT_TRUE(func_is_active());
  EXPECT_FALSE(lamp());
  func_key_up();
  EXPECT_EQ(func_state(), 3);
  EXPECT_TRUE(lamp());
  func_after_key();  // the next key is taken in the Func layer
  EXPECT_EQ(func_state(), 1);
  EXPECT_FALSE(func_is_active());
  EXPECT_FALSE(lamp());
}

TEST_F(FuncKey, HeldOverTwoKeysNeverLightsTheLamp) {
  func_key_down();
  func_after_key();
  EXPECT_EQ(func_state(), 2);
  EXPECT_TRUE(func_is_active());
  func_after_key();
  EXPECT_EQ(func_state(), 2);
  func_key_up();
  EXPECT_EQ(func_state(), 1);
  EXPECT_FALSE(lamp());
}

TEST_F(FuncKey, DoublePressWithoutKeyTurnsItOnThenOff) {
  func_key_down();
  func_key_up();
  EXPECT_EQ(func_state(), 3);
  EXPECT_TRUE(lamp());
  func_key_down();
  EXPECT_EQ(func_state(), 2);
  EXPECT_TRUE(lamp());  // unchanged until release
  func_key_up();
  EXPECT_EQ(func_state(), 1);
  EXPECT_FALSE(lamp());
}

TEST_F(FuncKey, ReleaseAndKeysInTheOffStateChangeNothing) {
  func_key_up();
  func_after_key();
  EXPECT_EQ(func_state(), 1);
  EXPECT_FALSE(func_is_active());
}

