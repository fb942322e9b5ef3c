// Menu engine (mode 3): every setting of the label and the device is reached
// through one list screen. A menu is a fixed list of message ids shown three
// rows at a time with a selection bar, value fields right of some entries, a
// scroll bar, and on the status line a preview of the label type and font
// size the menu is about to set. Values are edited in working copies; Enter
// hands them to the menu actions (settings.h), which apply them to the label.
#pragma once
#include <cstdint>

void menu_init();
// The mode task: runs while the UI mode is 3, or 8 with 3 as the previous
// mode (an entry scrolling sideways).
void menu_task();
// Opens menu `id`; the caller then sets UI mode 3. The menu is built and
// drawn on the next tick.
void menu_open(uint8_t id);
// The menu keys from any screen: KEY_MENU opens the main menu, KEY_LABEL the
// label-type menu, KEY_FONT the font-size menu, each in UI mode 3. Other
// keys do nothing.
void menu_open_for_key(uint8_t key);
// Back to the editor (UI mode 1).
void menu_close();
void menu_key(uint8_t key);
void menu_draw();
void menu_next();
void menu_prev();
void menu_value_up();
void menu_value_down();

// The menu that is open, 0 when none.
uint8_t menu_current_id();
// Set when the barcode menu was opened from the editor's Func layer: Delete
// there goes straight back to the editor.
void menu_set_return_to_editor(uint8_t on);
uint8_t menu_return_to_editor();

// Reads the serial that ends before the cursor of the current line into a
// 12-byte serial block (class and start); returns its last character, or 0
// when there is no usable serial (none, another character, or at its
// largest value already).
uint16_t ser_parse_at_cursor(uint8_t block[12]);
