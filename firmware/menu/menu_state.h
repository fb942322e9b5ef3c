// The menu engine's state and the functions the menu files share. Private to
// firmware/menu/: the rest of the firmware goes through menu.h. Tests read
// and set the state through menu_state().
#pragma once
#include <cstdint>

#include "firmware/menu/menu.h"

// The serial run block, laid out as the label record's bytes 430..441.
struct MenuSerialBlock {
  uint16_t increment;
  uint16_t last_char;
  uint16_t start;
  uint8_t cls;  // 0 upper-case letters, 1 lower-case letters, 2 digits
  uint8_t unused;
  uint8_t end_text[4];
};
static_assert(sizeof(MenuSerialBlock) == 12);

// The terminal block / patch panel block, laid out as bytes 424..428.
struct MenuTermBlock {
  uint8_t rotation;
  uint8_t spacing_choice;
  uint8_t count;
  uint8_t custom_spacing;
  uint8_t serial;
};
static_assert(sizeof(MenuTermBlock) == 5);

// What the slot list does with the slot chosen, as picked in the File menu.
enum : uint8_t { FILE_SAVE = 0, FILE_OPEN = 1, FILE_DELETE = 2 };

struct MenuState {
  uint8_t menu_id;
  uint8_t drawn_menu_id;  // differs from menu_id: rebuild on the next tick
  uint8_t menu_sel;
  uint8_t main_sel;
  uint8_t menu_top;
  const uint8_t* menu_items;
  uint8_t menu_count;
  uint8_t language_sel;  // the language menu's selection, set by the main menu

  // Working copies, applied by Enter.
  uint8_t work_type, work_font, work_units;
  uint8_t work_copies;
  MenuSerialBlock work_serial;
  MenuTermBlock work_block;
  uint8_t work_block_serial;
  uint8_t file_action;  // FILE_SAVE, FILE_OPEN or FILE_DELETE

  uint8_t reload_work;
  uint8_t force_redraw;
  uint8_t return_to_editor;
  // The next digit typed replaces the value instead of shifting into it.
  uint8_t fresh_increment, fresh_end, fresh_count, fresh_spacing;
  // The custom spacing value blinks: 0 off, 1 hidden, 2 shown.
  uint8_t blink_state;
  uint8_t blink_ticks;
};

// The one menu state, defined in menu_engine.cpp.
extern MenuState menu_st;
inline MenuState& menu_state() { return menu_st; }
// The message id of the selected entry.
uint8_t menu_selected_entry();

void menu_key(uint8_t key);
void menu_draw();
void menu_next();
void menu_prev();
void menu_value_up();
void menu_value_down();
// Enter in the open menu on its selected entry: the menu's action. True when
// the serial menu or the terminal block / patch panel settings applied their
// values.
bool menu_action();

// The serial menu's window on the current line for "Start:" or "End:":
// writes the text (NUL-terminated) and returns its length; the cursor's
// place in it and how many characters before the cursor are the serial (or
// the end value shown in its place).
constexpr int MENU_SERIAL_WINDOW_MAX = 24;
int menu_serial_window(uint8_t caption, uint16_t* text, int* cursor_place, int* marked);

// Reads the serial that ends before the cursor of the current line into a
// 12-byte serial block (class and start); returns its last character, or 0
// when there is no usable serial (none, another character, or at its
// largest value already).
uint16_t ser_parse_at_cursor(uint8_t block[12]);
