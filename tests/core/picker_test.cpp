// The symbol and international pickers on a whole simulated device: moves
// through both tables (wraps, clamps, the rows and groups shown, letter
// jumps), where each leaves to, and insertion through the label model.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "firmware/screens/pickers.h"
#include "host/seam/mirror.h"
#include "menu_test_util.h"

namespace {

class Picker : public menu_test::MenuDevice {
 protected:
  void SetUp() override {
    MenuDevice::SetUp();
    r().label_type = LABEL_BANNER_LANDSCAPE;  // no fit test after an insertion
  }
  void in_main_menu(uint8_t id) {
    press(KEY_MENU);
    ASSERT_TRUE(select(id)) << int(id);
  }
  void open_symbols() { func(KEY_1); }
  void open_intl() { func(KEY_6); }
  std::vector<uint16_t> cells(int line) {
    const LabelLine& ln = r().lines[line];
    return std::vector<uint16_t>(ln.cells, ln.cells + ln.length);
  }
};

struct SymbolMove {
  const char* what;
  std::initializer_list<uint8_t> keys;
  int row, col, top;
};

TEST_F(Picker, SymbolMovesWrapClampAndKeepTheSelectedRowShown) {
  const SymbolMove cases[] = {
      {"Left on the first symbol selects the last", {KEY_LEFT}, 11, 1, 10},
      {"Right on the last symbol selects the first", {KEY_LEFT, KEY_RIGHT}, 0, 0, 0},
      {"key 5 on row 11 clamps to column 1", {KEY_UP, KEY_5}, 11, 1, 10},
      {"Down from row 11 shows rows 0-1", {KEY_UP, KEY_DOWN}, 0, 0, 0},
      {"Up to row 1 keeps the rows 1-2 shown", {KEY_DOWN, KEY_DOWN, KEY_UP}, 1, 0, 1},
      {"Right past column 4 goes to the next row", {KEY_5, KEY_RIGHT}, 1, 0, 0},
      {"Left from column 0 goes to the row above", {KEY_DOWN, KEY_LEFT}, 0, 4, 0},
      {"Up on row 0 of column 4 clamps on row 11", {KEY_5, KEY_UP}, 11, 1, 10},
  };
  for (const SymbolMove& c : cases) {
    sym_init();
    open_symbols();
    for (uint8_t k : c.keys) press(k);
    EXPECT_EQ(ui_get_mode(), MODE_SYMBOL_PICKER) << c.what;
    EXPECT_EQ(sym_row(), c.row) << c.what;
    EXPECT_EQ(sym_col(), c.col) << c.what;
    EXPECT_EQ(sym_top(), c.top) << c.what;
    press(KEY_DELETE);
  }
}

struct IntlMove {
  const char* what;
  std::initializer_list<uint8_t> keys;
  int group, item, shown_first;
};

TEST_F(Picker, IntlMovesWrapClampAndJumpByLetter) {
  const IntlMove cases[] = {
      {"Up from group 0 selects group 27 showing 25-27", {KEY_UP}, 27, 0, 25},
      {"key 9 in a three-letter group selects its third letter", {KEY_DOWN, KEY_DOWN, KEY_9}, 2, 2, 0},
      {"Right on the last letter of group 27 goes to group 0", {KEY_UP, KEY_3, KEY_RIGHT}, 0, 0, 0},
      {"Right on the last letter goes on to the next group", {KEY_9, KEY_RIGHT}, 1, 0, 0},
      {"Left on the first letter goes to the last of the group above", {KEY_DOWN, KEY_LEFT}, 0, 8, 0},
      {"Down into group 3 shows groups 3-5", {KEY_DOWN, KEY_DOWN, KEY_DOWN}, 3, 0, 3},
      {"Up out of group 3 shows groups 0-2", {KEY_C, KEY_UP}, 2, 0, 0},
      {"E jumps to the small e group", {KEY_9, KEY_E}, 7, 0, 6},
      {"A jumps to the capitals", {KEY_Z, KEY_A}, 0, 0, 0},
      {"Z jumps to the last group", {KEY_Z}, 27, 0, 25},
      {"a letter without a group does nothing", {KEY_2, KEY_B}, 0, 1, 0},
      {"the clamp keeps the item inside a short group", {KEY_9, KEY_D}, 5, 0, 3},
  };
  for (const IntlMove& c : cases) {
    intl_init();
    open_intl();
    for (uint8_t k : c.keys) press(k);
    EXPECT_EQ(ui_get_mode(), MODE_INTL_PICKER) << c.what;
    EXPECT_EQ(intl_group(), c.group) << c.what;
    EXPECT_EQ(intl_item(), c.item) << c.what;
    const int t = intl_top() + 3 > INTL_GROUPS ? INTL_GROUPS - 3 : intl_top();
    EXPECT_EQ(t, c.shown_first) << c.what;
    press(KEY_DELETE);
  }
}

TEST_F(Picker, PicksInsertAtTheCursorAndKeepTheirPlaceBetweenOpenings) {
  type("AB");
  press(KEY_LEFT);
  open_symbols();
  EXPECT_FALSE(func_is_active());
  EXPECT_FALSE(mirror_lamps().func);
  press({KEY_DOWN, KEY_3, KEY_ENTER});  // row 1, column 2
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  open_intl();
  press({KEY_O, KEY_8, KEY_ENTER});  // the last small o
  EXPECT_EQ(cells(0), (std::vector<uint16_t>{'A', 520, 147, 'B'}));
  open_symbols();
  EXPECT_EQ(sym_row(), 1);
  EXPECT_EQ(sym_col(), 2);
  press(KEY_DELETE);
  open_intl();
  EXPECT_EQ(intl_group(), 15);
  EXPECT_EQ(intl_item(), 7);
}

TEST_F(Picker, EachPickerLeavesToWhereItWasOpenedFrom) {
  in_main_menu(2);
  press(KEY_ENTER);  // "Symbols"
  EXPECT_EQ(ui_get_mode(), MODE_SYMBOL_PICKER);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(entry(), 2);

  press({KEY_DOWN, KEY_ENTER});  // "International"
  EXPECT_EQ(ui_get_mode(), MODE_INTL_PICKER);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(entry(), 3);

  press({KEY_UP, KEY_ENTER, KEY_ENTER});  // a pick from the menu's picker goes to the editor
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(cells(0), std::vector<uint16_t>{513});

  // A menu key leaves the editor's picker; opened again from the main menu,
  // Delete goes back to the main menu, not to the editor.
  open_symbols();
  press(KEY_FONT);
  EXPECT_EQ(menu_current_id(), MENU_FONT_SIZE);
  press({KEY_MENU});
  in_main_menu(2);
  press(KEY_ENTER);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
}

TEST_F(Picker, RefusedPicksShowTheLabelModelsMessageOverTheEditor) {
  LabelLine& ln = r().lines[0];
  for (int i = 0; i < LBL_MAX_CHARS; ++i) ln.cells[i] = 'A';
  ln.length = ln.cursor = LBL_MAX_CHARS;
  open_symbols();
  press(KEY_ENTER);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  close_popup();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(ln.length, LBL_MAX_CHARS);

  lbl_clear_text();
  ASSERT_TRUE(lbl_barcode_begin(1));  // Code 39 takes neither pictograms nor accents
  open_intl();
  press(KEY_ENTER);
  close_popup();
  open_symbols();
  press(KEY_ENTER);
  close_popup();
  EXPECT_EQ(messages(), (std::vector<int>{MSG_MAX_CHARS, MSG_ERROR, MSG_ERROR}));
  EXPECT_TRUE(lbl_is_empty());
}

TEST_F(Picker, FuncSpaceTogglesTheBackgroundAndAnyKeyEndsTheFuncLayer) {
  open_intl();
  const size_t blank = 12 * 6;  // dot column 12 of the top row, between two letters
  const uint8_t before = mirror_rgb()[blank];
  func(KEY_SPACE);
  EXPECT_NE(mirror_rgb()[blank], before);
  func(KEY_DOWN);
  EXPECT_FALSE(func_is_active());
  EXPECT_FALSE(mirror_lamps().func);
  EXPECT_EQ(intl_group(), 1);
}

}  // namespace
