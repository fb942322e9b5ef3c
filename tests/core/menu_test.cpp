// The menu engine: lists and initial selections, moving and wrapping, the
// top row, Back from every menu, the menu keys, values typed and stepped,
// the serial menu's end value and window, the custom spacing blink and the
// status-line preview.
#include <gtest/gtest.h>

#include <cstring>

#include "firmware/editor/editor.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/menu/menu_table.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/marquee.h"
#include "host/seam/mirror.h"
#include "menu_test_util.h"

namespace {

using menu_test::MenuDevice;

class Menu : public MenuDevice {
 protected:
  void open(uint8_t id) {
    close_popup();
    menu_open(id);
    ui_set_mode(MODE_MENU);
    settle();
  }
  std::u16string window(uint8_t caption, int* place = nullptr, int* marked = nullptr) {
    uint16_t text[MENU_SERIAL_WINDOW_MAX];
    int p = 0, k = 0;
    menu_serial_window(caption, text, &p, &k);
    if (place) *place = p;
    if (marked) *marked = k;
    return std::u16string(text, text + std::char_traits<char16_t>::length(reinterpret_cast<char16_t*>(text)));
  }
  void set_line(const char* text, int cursor = -1) {
    print_test::set_label(26, 2, {text});
    if (cursor >= 0) r().lines[0].cursor = uint8_t(cursor);
  }
  // The serial menu on a fresh line, opened from the editor.
  void serial_menu(const char* text, int cursor = -1) {
    close_popup();
    if (ui_get_mode() != MODE_EDITOR) {
      menu_close();
      settle();
    }
    set_line(text, cursor);
    func(KEY_MENU);
  }
};

// ---- Moving ----

TEST_F(Menu, DownAndUpWrapAndTheSelectionKeepsToTheThirdRow) {
  press(KEY_MENU);
  ASSERT_EQ(ui_get_mode(), MODE_MENU);
  ASSERT_EQ(menu_current_id(), MENU_MAIN);
  EXPECT_EQ(m().menu_count, 6);
  EXPECT_EQ(m().menu_sel, 0);
  EXPECT_TRUE(inverted(0, 0));
  EXPECT_FALSE(inverted(1, 0));

  const int expect_top[] = {0, 0, 0, 1, 2, 3};
  for (int sel = 1; sel <= 5; ++sel) {
    press(KEY_DOWN);
    EXPECT_EQ(m().menu_sel, sel);
    EXPECT_EQ(m().menu_top, expect_top[sel]) << sel;
  }
  EXPECT_TRUE(inverted(2, 0));
  press(KEY_DOWN);  // past the last: the first, at the top
  EXPECT_EQ(m().menu_sel, 0);
  EXPECT_EQ(m().menu_top, 0);
  press(KEY_UP);  // before the first: the last three shown
  EXPECT_EQ(m().menu_sel, 5);
  EXPECT_EQ(m().menu_top, 3);
  press(KEY_UP);  // Up scrolls while the top is above 0
  EXPECT_EQ(m().menu_sel, 4);
  EXPECT_EQ(m().menu_top, 2);
}

TEST_F(Menu, ShortListsWrapWithoutScrolling) {
  open(MENU_FILE);
  press(KEY_UP);
  EXPECT_EQ(m().menu_sel, 2);
  EXPECT_EQ(m().menu_top, 0);
  press(KEY_DOWN);
  EXPECT_EQ(m().menu_sel, 0);
}

TEST_F(Menu, InitialSelectionsFollowTheLabel) {
  r().label_type = 26;
  press(KEY_LABEL);
  EXPECT_EQ(entry(), 52);  // "Wire"
  r().font_size = 2;
  r().bold = 1;
  press(KEY_FONT);
  EXPECT_EQ(m().menu_sel, 5);  // "9pt Bold"
  EXPECT_EQ(m().menu_top, 3);  // on the third row
  r().font_size = 6;
  r().bold = 1;
  press(KEY_FONT);
  EXPECT_EQ(m().menu_sel, 13);
  EXPECT_EQ(m().menu_top, 11);

  r().label_type = 6;  // F3.0
  r().units = 0;
  open(MENU_FIXED_LENGTH);
  EXPECT_EQ(m().menu_count, 11);
  EXPECT_EQ(m().menu_sel, 4);
  EXPECT_EQ(m().work_type, 2);  // the list's first type, whatever is selected

  r().label_type = 25;  // F150 seen through the inch list: beyond it
  open(MENU_FIXED_LENGTH);
  EXPECT_EQ(m().menu_sel, 0);

  r().label_type = 41;  // W65
  r().units = 1;
  open(MENU_WIRE_SIZE);
  EXPECT_EQ(m().menu_count, 10);
  EXPECT_EQ(entry(), 68);  // "65 mm"
  EXPECT_EQ(m().work_type, 36);

  open(MENU_UNITS);
  EXPECT_EQ(m().menu_sel, 1);
}

TEST_F(Menu, AStoredFontSizeBeyondTheListStartsAtTheTop) {
  r().font_size = 9;
  press(KEY_FONT);
  EXPECT_EQ(m().menu_sel, 0);
  EXPECT_EQ(m().menu_top, 0);
}

// ---- Back and the menu keys ----

TEST_F(Menu, BackFromEveryMenu) {
  struct Case {
    uint8_t from, to;  // to 0: the editor
  };
  const Case cases[] = {{MENU_MAIN, 0},        {MENU_COPIES, 0},         {MENU_LABEL_TYPE, 0},  {MENU_BARCODE, 1},
                        {MENU_FILE_SLOTS, 16}, {MENU_LANGUAGE, 1},       {MENU_UNITS, 1},       {MENU_FIXED_LENGTH, 4},
                        {MENU_WIRE_SIZE, 4},   {MENU_TERMINAL_BLOCK, 4}, {MENU_PATCH_PANEL, 4}, {MENU_FILE, 1},
                        {MENU_FONT_SIZE, 0},   {MENU_SERIAL, 0}};
  set_line("LOT 7");
  for (const Case& c : cases) {
    open(c.from);
    ASSERT_EQ(menu_current_id(), c.from);
    press(KEY_DELETE);
    if (c.to == 0) {
      EXPECT_EQ(ui_get_mode(), MODE_EDITOR) << int(c.from);
      EXPECT_EQ(menu_current_id(), 0) << int(c.from);
    } else {
      EXPECT_EQ(ui_get_mode(), MODE_MENU) << int(c.from);
      EXPECT_EQ(menu_current_id(), c.to) << int(c.from);
    }
  }
}

TEST_F(Menu, BackFromTheBarcodeMenuOpenedInTheEditorGoesStraightBack) {
  func(KEY_2);
  ASSERT_EQ(menu_current_id(), MENU_BARCODE);
  EXPECT_EQ(menu_return_to_editor(), 1);
  press(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(menu_return_to_editor(), 0);
}

TEST_F(Menu, MenuKeysOpenTheirMenusFromAnyMenu) {
  open(MENU_FILE);
  press(KEY_LABEL);
  EXPECT_EQ(menu_current_id(), MENU_LABEL_TYPE);
  press(KEY_FONT);
  EXPECT_EQ(menu_current_id(), MENU_FONT_SIZE);
  press(KEY_MENU);
  EXPECT_EQ(menu_current_id(), MENU_MAIN);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
}

TEST_F(Menu, TakingTheCartridgeOutClosesTheMenu) {
  press(KEY_MENU);
  cart_set_id(0);
  device->tick();
  EXPECT_EQ(menu_current_id(), 0);
  EXPECT_EQ(msg_popup_current(), MSG_INSERT_LABELS);
}

// ---- Values ----

TEST_F(Menu, CopiesAreTypedAsTwoRollingDigitsAndSteppedWithin1To99) {
  set_line("AB");
  func(KEY_PRINT);
  ASSERT_EQ(menu_current_id(), MENU_COPIES);
  digits("7");  // the first digit replaces the value
  EXPECT_EQ(m().work_copies, 7);
  digits("5");
  EXPECT_EQ(m().work_copies, 75);
  digits("3");
  EXPECT_EQ(m().work_copies, 53);
  for (int i = 0; i < 50; ++i) press(KEY_RIGHT);
  EXPECT_EQ(m().work_copies, 99);
  for (int i = 0; i < 120; ++i) press(KEY_LEFT);
  EXPECT_EQ(m().work_copies, 1);
  press(KEY_DELETE);  // reopened: the first digit replaces again
  func(KEY_PRINT);
  digits("00");
  EXPECT_EQ(m().work_copies, 0);  // taken as typed
}

TEST_F(Menu, TerminalBlockValuesAndTheirRings) {
  r().units = 0;
  r().spacing_choice = 0;  // a patch panel choice: the terminal block starts its own
  r().custom_spacing = 0;
  r().block_count = 0;
  open(MENU_TERMINAL_BLOCK);
  EXPECT_EQ(m().work_block.spacing_choice, 2);
  EXPECT_EQ(m().work_block.rotation, 1);
  EXPECT_EQ(m().work_block.count, 1);
  EXPECT_EQ(m().work_block.custom_spacing, 2);  // raised to the inch minimum
  const uint8_t right[] = {3, 4, 2};
  for (uint8_t want : right) {
    press(KEY_RIGHT);
    EXPECT_EQ(m().work_block.spacing_choice, want);
  }
  const uint8_t left[] = {4, 3, 2};
  for (uint8_t want : left) {
    press(KEY_LEFT);
    EXPECT_EQ(m().work_block.spacing_choice, want);
  }
  press(KEY_DOWN);  // "Serial:"
  const uint8_t serial = m().work_block_serial;
  press(KEY_LEFT);
  EXPECT_NE(m().work_block_serial, serial);
  press(KEY_DOWN);  // "# of Terminations:"
  digits("42");
  EXPECT_EQ(m().work_block.count, 42);
  press(KEY_DOWN);  // "Rotation:" toggles with either arrow
  press(KEY_RIGHT);
  EXPECT_EQ(m().work_block.rotation, 0);
  press(KEY_LEFT);
  EXPECT_EQ(m().work_block.rotation, 1);
}

TEST_F(Menu, PatchPanelStartsAtItsOwnSpacingAndMillimetreMinimum) {
  r().spacing_choice = 3;
  r().custom_spacing = 3;
  r().units = 1;
  open(MENU_PATCH_PANEL);
  EXPECT_EQ(m().work_block.spacing_choice, 0);
  EXPECT_EQ(m().work_block.rotation, 0);
  EXPECT_EQ(m().work_block.custom_spacing, 6);
  const uint8_t right[] = {1, 4, 0};
  for (uint8_t want : right) {
    press(KEY_RIGHT);
    EXPECT_EQ(m().work_block.spacing_choice, want);
  }
  press(KEY_LEFT);
  EXPECT_EQ(m().work_block.spacing_choice, 4);
  digits("1");  // custom spacing: the first digit replaces
  EXPECT_EQ(m().work_block.custom_spacing, 1);
  digits("25");
  EXPECT_EQ(m().work_block.custom_spacing, 25);
}

TEST_F(Menu, TheCustomSpacingBlinksEvery52Ticks) {
  r().spacing_choice = 4;
  r().custom_spacing = 12;
  open(MENU_TERMINAL_BLOCK);
  ASSERT_EQ(entry(), 76);
  ASSERT_EQ(m().blink_state, 2);
  auto value_inked = [] {
    int ink = 0;  // inverted: ink columns read 0
    for (int c = 91; c < 128; ++c) ink += column(0, c) == 0;
    return ink;
  };
  EXPECT_GT(value_inked(), 0);
  EXPECT_TRUE(inverted(0, 87));
  m().blink_ticks = 0;
  device->tick(51);
  EXPECT_EQ(m().blink_state, 2);
  device->tick(1);
  EXPECT_EQ(m().blink_state, 1);
  EXPECT_EQ(value_inked(), 0);
  EXPECT_TRUE(inverted(0, 87));
  device->tick(52);
  EXPECT_EQ(m().blink_state, 2);
  EXPECT_GT(value_inked(), 0);
  press(KEY_DOWN);  // another entry stops it
  EXPECT_EQ(m().blink_state, 0);
}

// ---- The serial menu ----

TEST_F(Menu, StartIsShownButNeverSelectedByTheArrows) {
  set_line("LOT 7");
  func(KEY_MENU);
  ASSERT_EQ(menu_current_id(), MENU_SERIAL);
  EXPECT_EQ(entry(), 20);  // where the menu opens
  press(KEY_DOWN);
  EXPECT_EQ(entry(), 19);
  press(KEY_UP);  // over "Start:" to the last entry
  EXPECT_EQ(entry(), 22);
  EXPECT_EQ(m().menu_top, 1);
  press(KEY_DOWN);  // wraps to the first, "Start:", and on
  EXPECT_EQ(entry(), 19);
  for (int i = 0; i < 8; ++i) {
    press(i % 3 ? KEY_DOWN : KEY_UP);
    EXPECT_NE(entry(), 20);
  }
}

TEST_F(Menu, TheEndValueFollowsTheIncrementUntilTyped) {
  set_line("LOT 7");
  func(KEY_MENU);
  const MenuSerialBlock& s = m().work_serial;
  EXPECT_EQ(s.cls, SER_CLASS_DIGITS);
  EXPECT_EQ(s.start, 7);
  EXPECT_EQ(s.last_char, '7');
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "008");
  press(KEY_DOWN);  // "Increment By:"
  digits("5");
  EXPECT_EQ(s.increment, 5);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "012");
  digits("0");
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "057");
  press(KEY_LEFT);
  EXPECT_EQ(s.increment, 49);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "056");

  press(KEY_DOWN);  // "End:": digits only, the first clears the places before it
  press(KEY_A);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "056");
  digits("2");
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "002");
  digits("5");
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "025");
  press(KEY_RIGHT);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "026");
  for (int i = 0; i < 30; ++i) press(KEY_LEFT);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "001");
}

TEST_F(Menu, LetterEndValuesStepAsBijectiveNumbers) {
  set_line("ROW Y");
  func(KEY_MENU);
  MenuSerialBlock& s = m().work_serial;
  EXPECT_EQ(s.cls, SER_CLASS_UPPER);
  EXPECT_EQ(s.start, 24);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "__Z");
  press({KEY_DOWN, KEY_DOWN});
  ASSERT_EQ(entry(), 21);
  press(KEY_RIGHT);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "_AA");
  press(KEY_LEFT);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "__Z");
  press(KEY_LEFT);  // not below one above the serial's last letter (Y)
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "__Z");
  std::memcpy(s.end_text, "ZZZ", 4);
  press(KEY_RIGHT);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "ZZZ");
  press(KEY_SPACE);  // typed: blanks and letters in the serial's case
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "___");
  press(KEY_B);
  press(KEY_C);
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "_BC");
  digits("4");  // digits are not letters
  EXPECT_STREQ(reinterpret_cast<const char*>(s.end_text), "_BC");
}

TEST_F(Menu, TheSerialMenuClosesWithErrorWithoutAUsableSerial) {
  const char* refused[] = {"LOT ", "", "ZZZ", "999", "A-"};
  for (const char* text : refused) {
    set_line(text);
    msg_popup_history_reset();
    func(KEY_MENU);
    EXPECT_EQ(menu_current_id(), 0) << text;
    EXPECT_EQ(messages(), std::vector<int>{MSG_ERROR}) << text;
    close_popup();
    EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  }
}

TEST_F(Menu, AnIncrementThatPassesTheLargestEndValueClosesTheMenu) {
  set_line("998");
  func(KEY_MENU);
  ASSERT_EQ(menu_current_id(), MENU_SERIAL);
  press(KEY_DOWN);
  press(KEY_RIGHT);  // 998 + 2 > 999
  EXPECT_EQ(menu_current_id(), 0);
  EXPECT_EQ(messages(), std::vector<int>{MSG_ERROR});
}

TEST_F(Menu, TheSerialWindowKeepsTheCursorInViewAndShowsTheEndValue) {
  set_line("LABEL A9");
  func(KEY_MENU);
  int place = 0, marked = 0;
  EXPECT_EQ(window(20, &place, &marked), u"ABEL A9");  // the last 7 of the line
  EXPECT_EQ(place, 7);
  EXPECT_EQ(marked, 1);
  EXPECT_EQ(window(21, &place, &marked), u"ABEL A10");  // a longer end value pushes left
  EXPECT_EQ(place, 8);
  EXPECT_EQ(marked, 2);

  serial_menu("TB");  // narrow: two blanks in front
  EXPECT_EQ(window(20), u"  TB");
  EXPECT_EQ(window(21), u"  TC");

  // Cursor inside a long line: the six before it and the one after it.
  serial_menu("X1234567890123", 8);
  EXPECT_EQ(window(20, &place), u"2345678");
  EXPECT_EQ(place, 6);
  EXPECT_EQ(window(21, &place, &marked), u"X12345688");  // nine places; 567 becomes 568
  EXPECT_EQ(marked, 3);

  // A shorter end value leaves blanks in the serial's places.
  serial_menu("N 99");
  std::memcpy(m().work_serial.end_text, "005", 4);
  EXPECT_EQ(window(21, &place), u"  N  5");
  EXPECT_EQ(place, 6);

  // Near the start of a long line: blanks put the cursor three places in.
  serial_menu("A1BCDEFGHIJKLM", 2);
  EXPECT_EQ(window(20, &place), u" A1BCDEF");
  EXPECT_EQ(place, 3);
}

TEST_F(Menu, LongCaptionsScrollInTheRoomTheirValuesLeave) {
  set_line("LOT 7");
  func(KEY_MENU);
  EXPECT_EQ(ui_get_mode(), MODE_MENU);  // "Start:" fits
  press(KEY_DOWN);                      // "Increment By:" is 117 dots, its room 82
  EXPECT_EQ(ui_get_mode(), MODE_MARQUEE);
  EXPECT_EQ(ui_get_prev_mode(), MODE_MENU);
  digits("2");  // keys still reach the menu
  EXPECT_EQ(m().work_serial.increment, 2);
  press(KEY_DOWN);  // "End:" fits: the scrolling ends
  EXPECT_EQ(ui_get_mode(), MODE_MENU);
  EXPECT_EQ(marquee_state(), 0);
}

TEST_F(Menu, APopupOverAScrollingEntryReturnsToTheMenu) {
  set_line("LOT 7");
  func(KEY_MENU);
  press(KEY_DOWN);
  ASSERT_EQ(ui_get_mode(), MODE_MARQUEE);
  std::memcpy(m().work_serial.end_text, "007", 4);
  press(KEY_ENTER);  // one label of one copy: refused
  EXPECT_EQ(msg_popup_current(), MSG_ERROR);
  close_popup();
  settle();
  EXPECT_EQ(menu_current_id(), MENU_SERIAL);
  EXPECT_TRUE(ui_get_mode() == MODE_MENU || ui_get_mode() == MODE_MARQUEE);
  EXPECT_EQ(entry(), 20);  // rebuilt from its opening
}

// ---- Status line ----

TEST_F(Menu, TheStatusLinePreviewsTypeAndSize) {
  const uint8_t* f = lcd_frame();
  auto boxed = [&] { return f[6 * LCD_COLUMNS + 0] == 0xFF && f[6 * LCD_COLUMNS + 33] == 0xFF; };
  press(KEY_MENU);
  EXPECT_FALSE(boxed());  // the caption
  r().label_type = 1;     // neither inch nor millimetre: the units stay
  r().units = 1;
  press(KEY_LABEL);
  EXPECT_TRUE(boxed());  // the label-type menu shows the icon
  ASSERT_TRUE(select(25));
  EXPECT_EQ(m().work_type, 13);  // a fixed length in millimetres
  ASSERT_TRUE(select(73));
  EXPECT_EQ(m().work_type, 49);
  ASSERT_TRUE(select(23));
  EXPECT_EQ(m().work_type, 0);

  r().font_size = 2;
  r().bold = 0;
  press(KEY_FONT);
  press(KEY_DOWN);
  EXPECT_EQ(m().work_font, 2);
  EXPECT_TRUE(mirror_lamps().bold);
  press(KEY_DOWN);
  EXPECT_EQ(m().work_font, 3);
  EXPECT_FALSE(mirror_lamps().bold);
}

TEST_F(Menu, SlotRowsShowTheStoredNames) {
  LabelRecord saved = r();
  std::memcpy(saved.file_name, "-------DEMO", 12);
  nvm_save_label_file(1, &saved, true);
  open(MENU_FILE_SLOTS);
  // Row 1: "2 :" then the name from x 24 with its "-" skipped; row 0 has none.
  int ink1 = 0, ink0 = 0;
  for (int c = 27; c < 24 + 36; ++c) {
    ink0 += column(0, c) == 0;  // row 0 is selected: inverted
    ink1 += column(1, c) != 0;
  }
  EXPECT_EQ(ink0, 0);
  EXPECT_GT(ink1, 0);
  EXPECT_EQ(column(1, 24 + 36), 0);  // four characters, no more
}

// ---- The table ----

// Every menu row has a list of real messages, each entry once, and an
// action; Back leads from every menu to the editor in a few steps.
TEST_F(Menu, EveryMenuRowIsComplete) {
  int menus = 0;
  for (int id = 1; id < 256; ++id) {
    const MenuDef* d = menu_def(uint8_t(id));
    if (d == nullptr) continue;
    ++menus;
    const MenuEntries list = d->choose ? d->choose() : d->entries;
    ASSERT_GT(list.count, 0) << id;
    for (int i = 0; i < list.count; ++i) {
      EXPECT_LT(list.ids[i], MSG_COUNT) << id;
      for (int j = 0; j < i; ++j) EXPECT_NE(list.ids[i], list.ids[j]) << id;
    }
    EXPECT_NE(d->enter, nullptr) << id;
    uint8_t up = d->parent;
    for (int steps = 0; up != MENU_NONE && steps < 4; ++steps) {
      ASSERT_NE(menu_def(up), nullptr) << id;
      up = menu_def(up)->parent;
    }
    EXPECT_EQ(up, MENU_NONE) << id;
  }
  EXPECT_GE(menus, 14);  // the seventeen ids less the three unused
}

}  // namespace

// A menu the device does not have closes with "Function Not Available" rather
// than silently.
TEST_F(Menu, AnUnknownMenuSaysFunctionNotAvailable) {
  menu_open(200);
  ui_set_mode(MODE_MENU);
  device->tick(3);
  EXPECT_EQ(menu_current_id(), 0);
  EXPECT_EQ(messages(), std::vector<int>{MSG_NOT_AVAILABLE});
}

// "Cannot Fit" over the font menu puts every lamp out while it shows; back in
// the menu, Caps and the battery show again as the editor left them.
TEST_F(Menu, CapsAndBatteryLampsReturnAfterCannotFitInTheFontMenu) {
  print_test::set_label(1, 1, {"AB", "CD", "EF"});
  ed_refresh();
  ASSERT_TRUE(mirror_lamps().caps);
  press(KEY_FONT);
  for (int i = 0; i < 14 && m().work_font != 6; ++i) press(KEY_UP);
  press(KEY_ENTER);
  ASSERT_EQ(msg_popup_current(), MSG_CANNOT_FIT);
  EXPECT_FALSE(mirror_lamps().caps);
  close_popup();
  settle();
  EXPECT_EQ(menu_current_id(), MENU_FONT_SIZE);
  EXPECT_TRUE(mirror_lamps().caps);
  EXPECT_GT(mirror_lamps().battery, 0);
}
