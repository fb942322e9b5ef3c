// The file name entry on the whole device: eleven places filled from the
// right, the first key replacing the stored name, Left removing the last
// character, and Enter on an empty name asking for one without a write.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "firmware/screens/fname.h"
#include "host/seam/spi_flash.h"
#include "menu_test_util.h"

namespace {

using menu_test::MenuDevice;

constexpr int kEnterName = 118;

class FileName : public MenuDevice {
 protected:
  void start(uint8_t slot) {
    close_popup();
    fname_start(slot);
    settle();
    ASSERT_EQ(ui_get_mode(), MODE_FILE_NAME);
  }
  static std::string name() { return fname_name(); }
  static LabelRecord stored(uint8_t slot) {
    LabelRecord rec;
    nvm_load_label_file(slot, &rec);
    return rec;
  }
};

TEST_F(FileName, AnEmptySlotFillsFromTheRightAndEnterSavesTheName) {
  print_test::set_label(1, 2, {"SAVE ME"});
  start(3);
  EXPECT_EQ(name(), "-----------");
  type("ABC");
  EXPECT_EQ(name(), "--------ABC");
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  const LabelRecord rec = stored(3);
  EXPECT_TRUE(lbl_checksum_ok(&rec));
  EXPECT_STREQ(reinterpret_cast<const char*>(rec.file_name), "--------ABC");
  EXPECT_EQ(rec.lines[0].length, 7);
}

TEST_F(FileName, AStoredNameShowsAndTheFirstKeyReplacesIt) {
  LabelRecord rec = r();
  std::memcpy(rec.file_name, "-------DEMO", 12);
  nvm_save_label_file(0, &rec, true);
  start(0);
  EXPECT_EQ(name(), "-------DEMO");
  type("X");
  EXPECT_EQ(name(), "----------X");
}

TEST_F(FileName, TwelveCharactersPushTheFirstOut) {
  start(1);
  type("ABCDEFGHIJKL");
  EXPECT_EQ(name(), "BCDEFGHIJKL");
}

TEST_F(FileName, LeftRemovesTheLastCharacter) {
  start(1);
  type("ABC");
  press(KEY_LEFT);
  EXPECT_EQ(name(), "---------AB");
  press({KEY_LEFT, KEY_LEFT, KEY_LEFT});
  EXPECT_EQ(name(), "-----------");
  type("ABCDEFGHIJK");
  press(KEY_LEFT);
  EXPECT_EQ(name(), "-ABCDEFGHIJ");
}

TEST_F(FileName, EnterOnAnEmptyNameAsksForOneAndWritesNothing) {
  start(2);
  const uint64_t writes = spi_operations();  // every flash write and erase counts
  press(KEY_ENTER);
  EXPECT_EQ(messages(), std::vector<int>{kEnterName});
  close_popup();
  settle();
  EXPECT_EQ(ui_get_mode(), MODE_FILE_NAME);  // drawn anew
  EXPECT_EQ(name(), "-----------");
  EXPECT_EQ(spi_operations(), writes);
  const LabelRecord rec = stored(2);
  EXPECT_FALSE(lbl_checksum_ok(&rec));
}

TEST_F(FileName, DeleteGoesBackToTheFileMenuAndMenuKeysLeave) {
  start(2);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(menu_current_id(), 16);
  start(2);
  press(KEY_FONT);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(menu_current_id(), 17);
}

}  // namespace
