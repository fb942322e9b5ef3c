// The Yes/No confirmation: No chosen when it opens, the highlight moved by
// Left and Right, Yes on "Delete?" emptying the slot, Yes on "Replace?"
// going on to the name, No and Delete back to the menu.
#include <gtest/gtest.h>

#include <cstring>

#include "firmware/screens/confirm.h"
#include "firmware/screens/fname.h"
#include "menu_test_util.h"

namespace {

using menu_test::MenuDevice;

class Confirm : public MenuDevice {
 protected:
  void SetUp() override {
    MenuDevice::SetUp();
    LabelRecord rec = r();
    std::memcpy(rec.file_name, "-------KEEP", 12);
    nvm_save_label_file(4, &rec, true);
    menu_open(9);
    ui_set_mode(MODE_MENU);
    settle();
  }
  void ask(uint8_t kind) {
    confirm_open(kind, 4);
    settle();
    ASSERT_EQ(ui_get_mode(), MODE_CONFIRM);
  }
  static bool slot_used() {
    LabelRecord rec;
    nvm_load_label_file(4, &rec);
    return lbl_checksum_ok(&rec);
  }
  // The highlight bars on page 4: under "Yes" from column 38, under "No" from 78.
  static bool lit(int x) { return lcd_frame()[4 * LCD_COLUMNS + x] == 0xFF; }
};

TEST_F(Confirm, NoIsChosenAndRightTwiceComesBackToIt) {
  ask(CONFIRM_DELETE);
  EXPECT_EQ(confirm_answer(), 0);
  EXPECT_TRUE(lit(78));
  EXPECT_FALSE(lit(38));
  press(KEY_RIGHT);
  EXPECT_EQ(confirm_answer(), 1);
  EXPECT_TRUE(lit(38));
  EXPECT_FALSE(lit(78));
  press(KEY_RIGHT);
  EXPECT_EQ(confirm_answer(), 0);
  EXPECT_TRUE(lit(78));
  EXPECT_FALSE(lit(38));
}

TEST_F(Confirm, EnterOnNoGoesBackWithoutTouchingTheSlot) {
  ask(CONFIRM_DELETE);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_TRUE(slot_used());
  ask(CONFIRM_DELETE);
  press(KEY_LEFT);
  press(KEY_DELETE);  // Delete cancels even with Yes chosen
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_TRUE(slot_used());
}

TEST_F(Confirm, YesOnDeleteEmptiesTheSlot) {
  ask(CONFIRM_DELETE);
  press(KEY_LEFT);
  press(KEY_PRINT);  // Print acts as Enter
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_FALSE(slot_used());
  LabelRecord rec;
  nvm_load_label_file(4, &rec);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&rec);
  EXPECT_TRUE(std::all_of(bytes, bytes + sizeof rec, [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(Confirm, YesOnReplaceGoesOnToTheName) {
  ask(CONFIRM_REPLACE);
  press(KEY_RIGHT);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_FILE_NAME);
  EXPECT_STREQ(fname_name(), "-------KEEP");
  EXPECT_TRUE(slot_used());  // nothing written before the name is entered
}

TEST_F(Confirm, MenuKeysLeaveForTheirMenus) {
  ask(CONFIRM_REPLACE);
  press(KEY_LABEL);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(menu_current_id(), 4);
}

}  // namespace
