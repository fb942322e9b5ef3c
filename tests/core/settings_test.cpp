// The menu actions, grouped by menu: label types by material, fixed lengths
// and wire sizes, units, terminal block and patch panel, font size, copies,
// the serial run, barcodes, the main menu's entries, the language and the
// label files.
#include <gtest/gtest.h>

#include <cstring>

#include "firmware/menu/menu_state.h"
#include "firmware/print/cutter.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/confirm.h"
#include "firmware/screens/fname.h"
#include "firmware/screens/pickers.h"
#include "host/seam/tape.h"
#include "menu_test_util.h"

namespace {

using menu_test::MenuDevice;

constexpr int kCannotFit = 114, kError = 115, kMediaOnly = 116, kLandscapeOnly = 117, kNotAvailable = 175;

class MenuAction : public MenuDevice {
 protected:
  void SetUp() override {
    MenuDevice::SetUp();
    r().units = 0;
    r().font_size = 2;
    r().bold = 0;
  }
  // Opens a menu from the editor's keys and selects `id` in it.
  void choose(uint8_t menu_key, uint8_t id) {
    press(menu_key);
    ASSERT_TRUE(select(id)) << int(id);
  }
  void in_main_menu(uint8_t id) { choose(KEY_MENU, id); }
  void label(uint8_t type, std::initializer_list<const char*> lines) {
    print_test::set_label(type, r().font_size, lines);
  }
  // The file menu's slot list for Save (0), Open (1) or Delete (2), on `slot`.
  void slot_list(int action, int slot) {
    in_main_menu(7);
    press(KEY_ENTER);
    for (int i = 0; i < action; ++i) press(KEY_DOWN);
    press(KEY_ENTER);
    ASSERT_EQ(menu_current_id(), MENU_FILE_SLOTS);
    for (int i = 0; i < slot; ++i) press(KEY_DOWN);
  }
};

// ---- Label types by material ----

TEST_F(MenuAction, PlainTapeOffersEveryTypeAndBannerLandscapeSetsIt) {
  press(KEY_LABEL);
  EXPECT_EQ(m().menu_count, 6);
  ASSERT_TRUE(select(24));
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(r().label_type, 1);
  EXPECT_TRUE(messages().empty());
}

TEST_F(MenuAction, ARefusedTypeStaysSetWithCannotFit) {
  r().font_size = 4;  // 28 dots a character across a 126-dot band: too long turned
  label(1, {"ABCDEF"});
  choose(KEY_LABEL, 23);
  press(KEY_ENTER);
  EXPECT_EQ(r().label_type, 0);
  EXPECT_EQ(messages(), std::vector<int>{kCannotFit});
  close_popup();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(MenuAction, SelfLaminatingWireSetsType46AtOnce) {
  cart_set_id(4);
  label(1, {"A"});
  settle();
  press(KEY_LABEL);
  EXPECT_EQ(m().menu_count, 3);
  EXPECT_EQ(m().menu_items[0], 24);
  EXPECT_EQ(m().menu_items[1], 25);
  EXPECT_EQ(m().menu_items[2], 52);
  ASSERT_TRUE(select(52));
  EXPECT_EQ(m().work_type, 46);  // the preview says so before Enter
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(r().label_type, 46);
  EXPECT_TRUE(messages().empty());
}

TEST_F(MenuAction, SleevesOfferBannerLandscapeAndFixedLength) {
  cart_set_id(8);
  label(1, {"A"});
  settle();
  press(KEY_LABEL);
  EXPECT_EQ(m().menu_count, 2);
  EXPECT_EQ(m().menu_items[1], 25);
}

// ---- Fixed lengths and wire sizes ----

TEST_F(MenuAction, FixedLengthsInInchesAndMillimetres) {
  label(1, {"A"});
  choose(KEY_LABEL, 25);
  press(KEY_ENTER);
  ASSERT_EQ(menu_current_id(), MENU_FIXED_LENGTH);
  EXPECT_EQ(m().menu_count, 11);
  press({KEY_DOWN, KEY_DOWN, KEY_DOWN});
  EXPECT_EQ(m().work_type, 5);
  press(KEY_ENTER);
  EXPECT_EQ(r().label_type, 5);  // F2.5

  r().units = 1;
  label(1, {"A"});
  choose(KEY_LABEL, 25);
  press(KEY_ENTER);
  EXPECT_EQ(m().menu_count, 13);
  press({KEY_UP});  // wraps to "Fixed 150 mm"
  press(KEY_ENTER);
  EXPECT_EQ(r().label_type, 25);
}

TEST_F(MenuAction, AFixedLengthTooShortForTheTextStaysSetWithCannotFit) {
  label(1, {"ABCDEFGHIJKLMNOPQRST"});  // 20 x 14 dots at 9pt, more than an inch
  choose(KEY_LABEL, 25);
  press(KEY_ENTER);
  press(KEY_ENTER);  // "Fixed 1.0""
  EXPECT_EQ(r().label_type, 2);
  EXPECT_EQ(messages(), std::vector<int>{kCannotFit});
}

TEST_F(MenuAction, WireSizesInInchesAndMillimetres) {
  label(26, {"A"});
  choose(KEY_LABEL, 52);
  press(KEY_ENTER);
  ASSERT_EQ(menu_current_id(), MENU_WIRE_SIZE);
  EXPECT_EQ(m().menu_sel, 0);
  press({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_ENTER});
  EXPECT_EQ(r().label_type, 29);  // 1.5"

  r().units = 1;
  label(1, {"A"});
  choose(KEY_LABEL, 52);
  EXPECT_EQ(m().work_type, 36);
  press(KEY_ENTER);
  press({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_ENTER});
  EXPECT_EQ(r().label_type, 39);  // 40 mm
}

// ---- Units ----

TEST_F(MenuAction, UnitsConvertTheLabelTypeBothWays) {
  struct Case {
    uint8_t from, units, to;
  };
  const Case cases[] = {
      {5, 1, 13},                                                     // F2.5 -> F30
      {17, 0, 2},                                                     // F70 -> F1.0
      {29, 1, 38},                                                    // W1.5 -> W30
      {41, 0, 26},                                                    // W65 -> W.75
      {47, 1, 49}, {49, 0, 47}, {48, 1, 50}, {50, 0, 48}, {1, 1, 1},  // other types stay
  };
  for (const Case& c : cases) {
    label(c.from, {"A"});
    r().units = c.units ? 0 : 1;
    in_main_menu(108);
    press(KEY_ENTER);
    ASSERT_EQ(menu_current_id(), MENU_UNITS);
    ASSERT_TRUE(select(c.units ? 110 : 109));
    press(KEY_ENTER);
    EXPECT_EQ(r().label_type, c.to) << int(c.from);
    EXPECT_EQ(r().units, c.units);
    EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  }
}

// ---- Terminal block and patch panel ----

TEST_F(MenuAction, TerminalBlockAppliesItsBlockAndType) {
  label(1, {"A"});
  r().spacing_choice = 2;
  r().block_serial = 0;
  choose(KEY_LABEL, 73);
  EXPECT_EQ(m().work_type, 47);
  press(KEY_ENTER);
  ASSERT_EQ(menu_current_id(), MENU_TERMINAL_BLOCK);
  EXPECT_EQ(m().reload_work, 0);
  press(KEY_RIGHT);  // spacing 0.6"
  press(KEY_DOWN);
  press(KEY_RIGHT);  // serial on
  press(KEY_DOWN);
  digits("12");
  EXPECT_TRUE(menu_action());
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(r().label_type, 47);
  EXPECT_EQ(r().spacing_choice, 3);
  EXPECT_EQ(r().block_serial, 1);
  EXPECT_EQ(r().block_count, 12);
}

TEST_F(MenuAction, PatchPanelInMillimetresAndACustomSpacingBelow2IsRefused) {
  r().units = 1;
  label(1, {"A"});
  r().spacing_choice = 4;
  choose(KEY_LABEL, 74);
  press(KEY_ENTER);
  ASSERT_EQ(menu_current_id(), MENU_PATCH_PANEL);
  EXPECT_EQ(entry(), 76);
  digits("1");
  press(KEY_ENTER);
  EXPECT_EQ(messages(), std::vector<int>{kError});
  close_popup();
  settle();
  EXPECT_EQ(menu_current_id(), MENU_PATCH_PANEL);  // stays, rebuilt from the label
  EXPECT_EQ(m().work_block.custom_spacing, 6);
  EXPECT_EQ(r().label_type, 1);
  press(KEY_ENTER);
  EXPECT_EQ(r().label_type, 50);
  EXPECT_EQ(r().custom_spacing, 6);
}

TEST_F(MenuAction, CopiesOfAnInchBlockLabelNeedItsSerial) {
  label(47, {"1"});
  r().block_serial = 0;
  func(KEY_PRINT);
  EXPECT_EQ(menu_current_id(), 0);
  EXPECT_EQ(messages(), std::vector<int>{kNotAvailable});
}

// ---- Font size ----

TEST_F(MenuAction, FontSizeAndBoldAreSetTogether) {
  label(1, {"HI"});
  choose(KEY_FONT, 89);  // "20pt Bold"
  EXPECT_EQ(m().work_font, 4);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(r().font_size, 4);
  EXPECT_EQ(r().bold, 1);
}

TEST_F(MenuAction, FortyPointBoldThatCannotFitKeepsTheSizeButNotTheWeight) {
  label(1, {"AB", "CD"});  // two lines of 113 dots cannot share a 126-dot band
  choose(KEY_FONT, 93);
  press(KEY_ENTER);
  EXPECT_EQ(messages(), std::vector<int>{kCannotFit});
  EXPECT_EQ(r().font_size, 2);
  EXPECT_EQ(r().bold, 1);  // bold was taken at once
  close_popup();
  settle();
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(menu_current_id(), MENU_FONT_SIZE);
  EXPECT_EQ(entry(), 93);  // the refused choice stays selected for a retry
  EXPECT_EQ(m().work_font, 6);
}

TEST_F(MenuAction, AWireMarkerWithNoRoomForOneCopyRefusesTheSize) {
  label(26, {"ABCDEFG"});
  choose(KEY_FONT, 92);  // 40pt: 7 x 56 dots along a 152-dot marker
  press(KEY_ENTER);
  EXPECT_EQ(messages(), std::vector<int>{kCannotFit});
  EXPECT_EQ(r().font_size, 2);
}

// ---- Copies ----

TEST_F(MenuAction, CopiesStartThePrintAtOnce) {
  label(1, {"AB"});
  func(KEY_PRINT);
  ASSERT_EQ(menu_current_id(), MENU_COPIES);
  digits("2");
  press(KEY_ENTER);  // the first label prints, then the cut pause
  EXPECT_EQ(r().copies, 2);
  EXPECT_GT(tape_column_count(), 0u);
  cut_set_done(1);
  settle();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(r().copies, 1);  // the job resets it
}

TEST_F(MenuAction, CopiesOfALabelThatCannotFitAreRefused) {
  label(1, {"AB"});
  func(KEY_PRINT);
  r().font_size = 6;
  r().last_line = 1;  // two 40pt lines
  press(KEY_ENTER);
  EXPECT_EQ(menu_current_id(), 0);
  EXPECT_EQ(messages(), std::vector<int>{kCannotFit});
  EXPECT_EQ(tape_column_count(), 0u);
}

// ---- Serial run ----

TEST_F(MenuAction, SerialRunsOutside2To998LabelsAreRefused) {
  label(1, {"LOT 1"});
  r().serial_print = 0;
  func(KEY_MENU);
  press({KEY_DOWN, KEY_DOWN});  // "End:"
  digits("5");                  // 1..5: five labels
  uint8_t kept[LBL_SERIAL_BLOCK_SIZE];
  std::memcpy(kept, lbl_serial_block(), sizeof kept);

  m().work_copies = 200;  // 5 x 200 = 1000
  EXPECT_FALSE(menu_action());
  EXPECT_EQ(messages(), std::vector<int>{kError});
  EXPECT_EQ(std::memcmp(kept, lbl_serial_block(), sizeof kept), 0);  // put back
  EXPECT_EQ(r().serial_print, 0);
  close_popup();
  settle();
  EXPECT_EQ(menu_current_id(), MENU_SERIAL);  // rebuilt

  press({KEY_DOWN, KEY_DOWN});
  digits("5");
  m().work_copies = 99;  // 495
  EXPECT_TRUE(menu_action());
  EXPECT_EQ(r().serial_print, 1);
  EXPECT_EQ(r().copies, 99);
  EXPECT_EQ(r().serial_start, 1);
  EXPECT_EQ(r().serial_increment, 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(r().serial_end_text), "005");
  EXPECT_EQ(ser_label_count(), 5);
}

TEST_F(MenuAction, ASerialRunOfOneLabelIsRefused) {
  label(1, {"LOT 1"});
  func(KEY_MENU);
  press({KEY_DOWN, KEY_DOWN});
  digits("1");
  m().work_copies = 1;
  EXPECT_FALSE(menu_action());
  EXPECT_EQ(messages(), std::vector<int>{kError});
}

// ---- Barcode ----

TEST_F(MenuAction, BarcodesNeedTheRightTapeTypeAndOneLine) {
  cart_set_id(2);
  label(1, {"A"});
  in_main_menu(4);
  press(KEY_ENTER);
  press(KEY_ENTER);
  EXPECT_EQ(messages().back(), kMediaOnly);
  close_popup();
  settle();
  EXPECT_EQ(menu_current_id(), MENU_BARCODE);

  cart_set_id(3);
  label(1, {"A", "B"});
  press(KEY_ENTER);
  EXPECT_EQ(messages().back(), kCannotFit);
  label(26, {"A"});
  close_popup();
  press(KEY_ENTER);
  EXPECT_EQ(messages().back(), kLandscapeOnly);

  label(1, {"A"});
  close_popup();
  press(KEY_DOWN);
  press(KEY_ENTER);  // Code 128
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(r().barcode_type, 2);
  EXPECT_EQ(r().barcode_active, 1);
}

TEST_F(MenuAction, ABarcodeRefusedFromTheEditorReturnsThere) {
  label(26, {"A"});
  func(KEY_2);
  ASSERT_EQ(menu_return_to_editor(), 1);
  press(KEY_ENTER);
  EXPECT_EQ(messages(), std::vector<int>{kLandscapeOnly});
  EXPECT_EQ(menu_return_to_editor(), 0);
  close_popup();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

// ---- Main menu ----

TEST_F(MenuAction, TheMainMenuOpensThePickersAndRemembersItsSelection) {
  // Delete in either picker comes back to the main menu, rebuilt with its
  // selection kept.
  in_main_menu(3);
  press(KEY_ENTER);  // "International"
  EXPECT_EQ(intl_return_mode(), MODE_MENU);
  EXPECT_EQ(ui_get_mode(), MODE_INTL_PICKER);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(entry(), 3);

  press(KEY_UP);
  press(KEY_ENTER);  // "Symbols"
  EXPECT_EQ(sym_from_editor(), 0);
  EXPECT_EQ(ui_get_mode(), MODE_SYMBOL_PICKER);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(entry(), 2);
}

// ---- Language ----

TEST_F(MenuAction, ALanguageIsStoredAtOnceAndBackChangesNothing) {
  in_main_menu(11);
  press(KEY_ENTER);
  ASSERT_EQ(menu_current_id(), MENU_LANGUAGE);
  EXPECT_EQ(m().menu_sel, 0);
  ASSERT_TRUE(select(16));  // Deutsch
  press(KEY_ENTER);
  EXPECT_EQ(sys_language(), 4);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);

  in_main_menu(11);
  press(KEY_ENTER);
  EXPECT_EQ(entry(), 16);  // opens on the stored language
  press(KEY_DOWN);
  press(KEY_DELETE);
  EXPECT_EQ(menu_current_id(), MENU_MAIN);
  EXPECT_EQ(sys_language(), 4);
  uint8_t settings[10];
  ASSERT_TRUE(nvm_load_device_settings(settings));
  EXPECT_EQ(settings[8], 0xA4);  // the rest of the record kept
}

// ---- Label files ----

TEST_F(MenuAction, OpenOnAnEmptySlotIsAnErrorAndLeavesTheLabel) {
  label(1, {"KEEP"});
  const LabelRecord before = r();
  slot_list(1, 4);
  press(KEY_ENTER);
  EXPECT_EQ(messages(), std::vector<int>{kError});
  EXPECT_EQ(std::memcmp(&before, &r(), sizeof before), 0);
  close_popup();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(MenuAction, SaveGoesToTheNameOnAnEmptySlotAndAsksOnAUsedOne) {
  label(1, {"FILE"});
  slot_list(0, 2);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_FILE_NAME);
  type("AB");
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);

  slot_list(0, 2);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_CONFIRM);
  press(KEY_DELETE);  // back to the slot list
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  settle();
  EXPECT_EQ(menu_current_id(), MENU_FILE_SLOTS);
}

TEST_F(MenuAction, OpenReplacesTheWholeLabel) {
  label(1, {"SAVED", "TWO"});
  r().font_size = 3;
  LabelRecord saved = r();
  nvm_save_label_file(5, &saved, true);
  label(26, {"OTHER"});
  r().font_size = 1;
  slot_list(1, 5);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(line_text(0), "SAVED");
  EXPECT_EQ(line_text(1), "TWO");
  EXPECT_EQ(r().label_type, 1);
  EXPECT_EQ(r().font_size, 3);
}

TEST_F(MenuAction, DeleteAsksForAUsedOrAFreeSlot) {
  LabelRecord saved = r();
  nvm_save_label_file(0, &saved, true);
  slot_list(2, 0);
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_CONFIRM);
  press(KEY_RIGHT);  // Yes
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  LabelRecord stored;
  nvm_load_label_file(0, &stored);
  EXPECT_FALSE(lbl_checksum_ok(&stored));

  slot_list(2, 7);  // a free slot asks too
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_CONFIRM);
}

}  // namespace
