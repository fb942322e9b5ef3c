// Menu engine (mode 3): every setting of the label and the device is reached
// through one list screen. A menu is a fixed list of message ids shown three
// rows at a time with a selection bar, value fields right of some entries, a
// scroll bar, and on the status line a preview of the label type and font
// size the menu is about to set. Values are edited in working copies; Enter
// hands them to the menu's action, which applies them to the label.
//
// This is what the rest of the firmware uses; the engine's state and its
// table of menus are private to firmware/menu/.
#pragma once
#include <cstdint>

#include "firmware/menu/menu_ids.h"

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

// The menu that is open, 0 when none.
uint8_t menu_current_id();
// Set when the barcode menu was opened from the editor's Func layer: Delete
// there goes straight back to the editor.
void menu_set_return_to_editor(uint8_t on);
uint8_t menu_return_to_editor();
