#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/screens/pickers.h"
#include "firmware/screens/popup.h"
#include "host/seam/adc.h"
#include "host/seam/cartridge.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/tape.h"
#include "print_test_util.h"
#include "test_font_image.h"

namespace {

// The editor's task driven by hand: a fresh default label (wire marker 0.75",
// 9pt) on 3/4-inch tape, the editor entered, no popup, Func off.
class Editor : public ::testing::Test {
 protected:
  std::string image;

  void SetUp() override {
    image = test_font_image::install("editor");
    mirror_init();
    kbd_init();
    ui_init();
    msg_popup_init();
    menu_init();
    sym_init();
    intl_init();
    cart_set_id(3);
    adc_set_battery_volts(7.5f);
    prn_set_repeat_flag(0);
    while (func_state() != 1) {
      func_key_down();
      func_key_up();
    }
    lbl_clear_text();
    lbl_set_defaults();
    ed_init();
    ui_set_mode(MODE_EDITOR);
    tick();  // entry
  }
  void TearDown() override { std::filesystem::remove(image); }

  static LabelRecord& r() { return *lbl_record(); }
  static void tick() { ed_mode_task(); }
  static void key(uint8_t code) {
    kbd_put_key(code);
    tick();
  }
  static void func_key(uint8_t code) {
    func_key_down();
    func_key_up();
    key(code);
  }
  static void type(const std::string& s) {
    for (char c : s) {
      if (c == ' ')
        key(KEY_SPACE);
      else if (c >= '0' && c <= '9')
        key(key_digit(c - '0'));
      else
        key(key_letter(char(c >= 'a' ? c - 32 : c)));
    }
  }
  static std::string text(int line) {
    const LabelLine& ln = r().lines[line];
    std::string out;
    for (int i = 0; i < ln.length; ++i) out += ln.cells[i] < 128 ? char(ln.cells[i]) : '?';
    return out;
  }
  static uint8_t cursor() { return r().lines[r().current_line].cursor; }
  static std::vector<int> shown() {
    std::vector<int> ids;
    for (size_t i = 0; i < msg_popup_history_count(); ++i) ids.push_back(msg_popup_history_at(i));
    return ids;
  }
  // Leaves whatever screen a key opened and comes back to the editor.
  static void back_to_editor() {
    ui_set_mode(MODE_MENU);
    tick();
    ui_set_mode(MODE_EDITOR);
    tick();
  }
  // The status line (pages 6 and 7) as the mirror shows it.
  static std::vector<uint8_t> shown_status() {
    const uint8_t* f = mirror_framebuffer();
    return std::vector<uint8_t>(f + 6 * LCD_COLUMNS, f + 8 * LCD_COLUMNS);
  }
};

// ---- Key maps ----

TEST(EditorKeyMaps, PlainKeysGiveDigitsLettersInTheCaseAndSpace) {
  EXPECT_TRUE(kbd_is_command_key(KEY_CAPS));
  EXPECT_FALSE(kbd_is_command_key(KEY_SPACE));
  for (uint8_t k = 0; k < 16; ++k) EXPECT_EQ(kbd_key_to_char(k, 1), 0) << int(k);
  EXPECT_EQ(kbd_key_to_char(KEY_SPACE, 0), 0x20);
  EXPECT_EQ(kbd_key_to_char(KEY_0, 0), '0');
  EXPECT_EQ(kbd_key_to_char(KEY_9, 1), '9');
  EXPECT_EQ(kbd_key_to_char(KEY_A, 1), 'A');
  EXPECT_EQ(kbd_key_to_char(KEY_Z, 1), 'Z');
  EXPECT_EQ(kbd_key_to_char(KEY_A, 0), 'a');
  EXPECT_EQ(kbd_key_to_char(KEY_Z, 0), 'z');
  EXPECT_EQ(kbd_key_to_char(53, 1), 0);
  EXPECT_EQ(kbd_key_to_char(255, 1), 0);
}

TEST(EditorKeyMaps, FuncLayerGivesPunctuationFontCodesAndThreeCommands) {
  for (uint8_t k = 0; k < 16; ++k) EXPECT_EQ(kbd_key_to_func_char(k), 0) << int(k);
  const std::pair<uint8_t, uint16_t> expected[] = {
      {KEY_0, 0x220}, {KEY_1, 15},    {KEY_2, 17},    {KEY_3, '-'},   {KEY_4, 0x227}, {KEY_5, 0x228},
      {KEY_6, 5},     {KEY_7, 0x222}, {KEY_8, '+'},   {KEY_9, '='},   {KEY_A, '!'},   {KEY_B, '@'},
      {KEY_C, '#'},   {KEY_D, '$'},   {KEY_E, '%'},   {KEY_F, '&'},   {KEY_G, '*'},   {KEY_H, '('},
      {KEY_I, ')'},   {KEY_J, ':'},   {KEY_K, ','},   {KEY_L, '.'},   {KEY_M, '"'},   {KEY_N, '/'},
      {KEY_O, '\\'},  {KEY_P, 0xF6},  {KEY_Q, '_'},   {KEY_R, 0xF5},  {KEY_S, '\''},  {KEY_T, 0xF8},
      {KEY_U, 0x225}, {KEY_V, 0x226}, {KEY_W, 0x223}, {KEY_X, 0x224}, {KEY_Y, 'Y'},   {KEY_Z, 'Z'},
  };
  for (auto [k, c] : expected) EXPECT_EQ(kbd_key_to_func_char(k), c) << int(k);
  EXPECT_EQ(kbd_key_to_func_char(53), 0);
}

// ---- Typing, case, Enter, Delete, arrows ----

TEST_F(Editor, TypedKeysGoInUpperCaseAndFuncFontTogglesTheCase) {
  EXPECT_TRUE(mirror_lamps().caps);
  type("AB1 ");
  EXPECT_EQ(text(0), "AB1 ");
  func_key(KEY_FONT);  // the case toggle
  EXPECT_EQ(ed_caps(), 0);
  EXPECT_FALSE(mirror_lamps().caps);
  EXPECT_EQ(menu_current_id(), 0);  // not the font menu
  type("CD");
  EXPECT_EQ(text(0), "AB1 cd");
  key(KEY_CAPS);  // Caps Lock on the PC keyboard does nothing here
  EXPECT_EQ(ed_caps(), 0);
  EXPECT_EQ(text(0), "AB1 cd");
  key(53);  // past the last key: nothing to insert, plain or Func
  func_key(200);
  EXPECT_EQ(text(0), "AB1 cd");
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(Editor, EnterInMidLineMovesTheRestToANewLine) {
  type("HELLO");
  key(KEY_LEFT);
  key(KEY_LEFT);
  key(KEY_ENTER);
  EXPECT_EQ(r().last_line, 1);
  EXPECT_EQ(r().current_line, 1);
  EXPECT_EQ(text(0), "HEL");
  EXPECT_EQ(text(1), "LO");
  EXPECT_EQ(cursor(), 0);
  key(KEY_UP);
  EXPECT_EQ(r().current_line, 0);
  key(KEY_RIGHT);
  EXPECT_EQ(cursor(), 1);
  key(KEY_DOWN);
  EXPECT_EQ(r().current_line, 1);
  EXPECT_EQ(cursor(), 1);
}

TEST_F(Editor, EnterOnTheFourthLineShowsMaxFourLines) {
  r().label_type = 1;  // four 6pt lines fit a banner on 3/4-inch tape
  r().font_size = 1;
  for (int i = 0; i < 3; ++i) {
    type("A");
    key(KEY_ENTER);
  }
  EXPECT_EQ(r().last_line, 3);
  key(KEY_ENTER);
  EXPECT_EQ(r().last_line, 3);
  EXPECT_EQ(shown(), std::vector<int>{MSG_MAX_LINES});
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
}

TEST_F(Editor, DeleteRemovesTheCharacterBeforeTheCursorFuncDeleteClearsAll) {
  type("AB");
  key(KEY_ENTER);
  type("CD");
  key(KEY_DELETE);
  EXPECT_EQ(text(1), "C");
  func_key(KEY_DELETE);
  EXPECT_TRUE(lbl_is_empty());
  EXPECT_EQ(r().last_line, 0);
  EXPECT_EQ(r().current_line, 0);
  EXPECT_FALSE(func_is_active());
}

TEST_F(Editor, EveryKeyRedrawsTheTextView) {
  type("AB");
  const uint8_t* f = mirror_framebuffer();
  // Line marker 1 at column 0, then the two characters from column 8.
  bool inked = false;
  for (int c = 8; c < 8 + 2 * 10; ++c) inked |= f[c] || f[LCD_COLUMNS + c];
  EXPECT_TRUE(inked);
  EXPECT_EQ(f[1], 0x1f);  // the marker's black block
  key(KEY_DELETE);
  key(KEY_DELETE);
  f = mirror_framebuffer();
  bool blank = true;
  for (int c = 8; c < LCD_COLUMNS; ++c) blank &= f[c] == 0 && f[LCD_COLUMNS + c] == 0;
  EXPECT_TRUE(blank);
}

// ---- Func layer ----

TEST_F(Editor, FuncThenALetterInsertsTheFuncCharacterAndEndsTheLayer) {
  func_key_down();
  func_key_up();
  EXPECT_TRUE(mirror_lamps().func);
  key(KEY_A);
  EXPECT_FALSE(func_is_active());
  EXPECT_FALSE(mirror_lamps().func);
  key(KEY_A);
  EXPECT_EQ(text(0), "!A");
  func_key(KEY_R);
  func_key(KEY_0);
  ASSERT_EQ(r().lines[0].length, 4);
  EXPECT_EQ(r().lines[0].cells[2], 0xF5);
  EXPECT_EQ(r().lines[0].cells[3], 0x220);
}

TEST_F(Editor, FuncYGivesUpperCaseYEvenInLowerCase) {
  func_key(KEY_FONT);
  ASSERT_EQ(ed_caps(), 0);
  func_key(KEY_Y);
  key(KEY_Y);
  EXPECT_EQ(text(0), "Yy");
}

TEST_F(Editor, FuncHeldOverTwoKeysTakesBothInTheFuncLayer) {
  func_key_down();
  key(KEY_3);
  key(KEY_8);
  func_key_up();
  EXPECT_FALSE(func_is_active());
  EXPECT_FALSE(mirror_lamps().func);
  EXPECT_EQ(text(0), "-+");
}

TEST_F(Editor, FuncDigitsOpenThePickersAndTheBarcodeMenuAndEndTheFuncLayer) {
  // The key that opened the screen was taken in the Func layer: the layer
  // ends with it and the lamp goes out, so the next key there is plain.
  const struct {
    uint8_t key, mode;
  } cases[] = {{KEY_1, MODE_SYMBOL_PICKER}, {KEY_6, MODE_INTL_PICKER}, {KEY_2, MODE_MENU}};
  for (const auto& c : cases) {
    back_to_editor();
    func_key(c.key);
    EXPECT_EQ(ui_get_mode(), c.mode) << int(c.key);
    EXPECT_FALSE(func_is_active()) << int(c.key);
    EXPECT_FALSE(mirror_lamps().func) << int(c.key);
  }
  EXPECT_EQ(menu_current_id(), 8);
  EXPECT_EQ(menu_return_to_editor(), 1);
  EXPECT_TRUE(lbl_is_empty());
  back_to_editor();
  func_key(KEY_1);
  EXPECT_EQ(sym_from_editor(), 1);
  back_to_editor();
  func_key(KEY_6);
  EXPECT_EQ(intl_return_mode(), MODE_EDITOR);
}

TEST_F(Editor, FuncSpaceTogglesTheBackgroundAndInsertsNothing) {
  const uint8_t green = mirror_rgb()[1];
  func_key(KEY_SPACE);
  EXPECT_NE(mirror_rgb()[1], green);
  EXPECT_TRUE(lbl_is_empty());
  EXPECT_FALSE(func_is_active());
  func_key(KEY_SPACE);
  EXPECT_EQ(mirror_rgb()[1], green);
}

// ---- Menus and printing ----

TEST_F(Editor, CommandKeysOpenTheirMenus) {
  const std::pair<uint8_t, uint8_t> plain[] = {{KEY_MENU, 1}, {KEY_LABEL, 4}, {KEY_FONT, 17}};
  for (auto [k, id] : plain) {
    key(k);
    EXPECT_EQ(ui_get_mode(), MODE_MENU);
    EXPECT_EQ(menu_current_id(), id) << int(k);
    back_to_editor();
  }
  // Func+Menu: the serial menu, or the block settings of those label types.
  const std::pair<uint8_t, uint8_t> serial[] = {{26, 2}, {47, 14}, {49, 14}, {48, 15}, {50, 15}};
  for (auto [t, id] : serial) {
    r().label_type = t;
    func_key(KEY_MENU);
    EXPECT_EQ(ui_get_mode(), MODE_MENU);
    EXPECT_EQ(menu_current_id(), id) << int(t);
    back_to_editor();
  }
}

TEST_F(Editor, PrintOnAnEmptyLabelDoesNothingAndSaysNothing) {
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  func_key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_FALSE(func_is_active());
  EXPECT_TRUE(shown().empty());
}

TEST_F(Editor, PrintStartsTheJobOrTheEndlessPrintOrOpensCopies) {
  type("A");
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_PRINT);
  ui_set_mode(MODE_EDITOR);
  tick();
  prn_set_repeat_flag(1);
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_ENDLESS_GLYPHS);
  prn_set_repeat_flag(0);
  ui_set_mode(MODE_EDITOR);
  tick();
  func_key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(menu_current_id(), 3);
  back_to_editor();
  func_key(KEY_LABEL);  // feed, whatever the label holds
  EXPECT_EQ(ui_get_mode(), MODE_FEED);
  EXPECT_FALSE(func_is_active());
  EXPECT_TRUE(shown().empty());
}

TEST_F(Editor, PrintOfALabelThatDoesNotFitShowsCannotFit) {
  r().label_type = 1;
  type("AB");
  key(KEY_ENTER);
  type("CD");
  r().font_size = 6;  // two 40pt lines are taller than 3/4-inch tape
  key(KEY_PRINT);
  EXPECT_EQ(shown(), std::vector<int>{MSG_CANNOT_FIT});
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(text(1), "CD");
}

// ---- Material ----

TEST_F(Editor, LabelTypeFollowsTheMaterialOnTheNextTick) {
  struct Case {
    uint8_t type, cartridge, expected;
  };
  const Case cases[] = {
      {29, 5, 46},               // wire size on self-laminating material: "WIRE"
      {29, 9, 1},                // on a sleeve: "BAN"
      {47, 5, 1},                // terminal block: "BAN" with either material
      {48, 9, 1},  {46, 3, 26},  // "WIRE" on plain tape: "W.75 "
      {46, 0, 26}, {0, 9, 0},    // banner portrait and fixed lengths stay
      {5, 5, 5},
  };
  for (const Case& c : cases) {
    r().label_type = c.type;
    cart_set_id(c.cartridge);
    tick();
    EXPECT_EQ(r().label_type, c.expected) << int(c.type) << " on " << int(c.cartridge);
  }
}

TEST_F(Editor, AChangedTypeIsShownOnTheStatusLineAtOnce) {
  r().label_type = 29;
  tick();
  cart_set_id(5);
  tick();
  ASSERT_EQ(r().label_type, 46);
  std::vector<uint8_t> on_screen = shown_status();
  lcd_clear_status();
  lcd_draw_status(lbl_record());
  lcd_draw_rule();
  lcd_flush();
  EXPECT_EQ(shown_status(), on_screen);
}

TEST_F(Editor, WithoutACartridgeEveryKeyButFuncSpaceShowsInsertLabels) {
  cart_set_id(0);
  func_key_down();
  func_key_up();
  key(KEY_A);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(shown(), std::vector<int>{MSG_INSERT_LABELS});
  EXPECT_TRUE(lbl_is_empty());
  EXPECT_FALSE(func_is_active());  // the key was taken: the Func layer ends
  EXPECT_FALSE(mirror_lamps().func);
  EXPECT_EQ(kbd_get_key(), 0);

  ui_set_mode(MODE_EDITOR);
  tick();
  const uint8_t green = mirror_rgb()[1];
  func_key(KEY_SPACE);
  EXPECT_NE(mirror_rgb()[1], green);
  EXPECT_FALSE(func_is_active());
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

// ---- Battery and entry ----

TEST_F(Editor, BatteryIsMeasuredOnEntryAndThenEvery101Ticks) {
  // Entry (in SetUp) measured 7.5 V: level 2.
  EXPECT_EQ(mirror_lamps().battery, 2);
  adc_set_battery_volts(8.5f);
  for (int i = 0; i < 100; ++i) tick();
  EXPECT_EQ(mirror_lamps().battery, 2);
  tick();
  EXPECT_EQ(mirror_lamps().battery, 3);
  adc_set_battery_volts(6.5f);
  for (int i = 0; i < 100; ++i) tick();
  EXPECT_EQ(mirror_lamps().battery, 3);
  tick();
  EXPECT_EQ(mirror_lamps().battery, 1);
}

TEST_F(Editor, ComingBackFromAMenuRedrawsAndMeasuresAtOnce) {
  type("AB");
  ui_set_mode(MODE_MENU);
  tick();  // the editor only notes the change
  lcd_blank();
  adc_set_battery_volts(8.5f);
  for (int i = 0; i < 300; ++i) tick();  // no counting outside the editor
  EXPECT_EQ(mirror_lamps().battery, 0);
  ui_set_mode(MODE_EDITOR);
  tick();
  EXPECT_EQ(mirror_lamps().battery, 3);
  EXPECT_TRUE(mirror_lamps().pt);
  EXPECT_EQ(mirror_framebuffer()[1], 0x1f);  // line marker back
}

TEST_F(Editor, OtherModesTakeNoKeys) {
  ui_set_mode(MODE_MENU);
  key(KEY_A);
  EXPECT_EQ(kbd_get_key(), KEY_A);
  EXPECT_TRUE(lbl_is_empty());
  kbd_clear_key();
}

// ---- The whole device ----

class EditorDevice : public print_test::DeviceTest {};

TEST_F(EditorDevice, TypingAndPrintingRunsTheJobAndComesBackToTheEditor) {
  key(KEY_H);
  key(KEY_I);
  ASSERT_EQ(lbl_record()->lines[0].length, 2);
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_GT(tape_column_count(), 0u);
  EXPECT_EQ(msg_popup_history_count(), 0u);
  // The engine hands back between two ticks; settling runs the editor's next
  // tick, which draws the text view again over the printing screen.
  EXPECT_FALSE(ed_redraw_pending());
  EXPECT_EQ(mirror_framebuffer()[1], 0x1f);
}

TEST_F(EditorDevice, MessagesFromTheEditorCloseBackToIt) {
  lbl_record()->label_type = 0;
  key(KEY_A);
  cart_set_id(9);  // sleeve: banner portrait cannot print on it
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_POPUP);
  EXPECT_EQ(msg_popup_current(), MSG_CANNOT_FIT);
  device->tick(110);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(tape_column_count(), 0u);
}

}  // namespace
