// The menu engine's state, shared by the engine (menu.cpp) and the menu
// actions (settings.cpp) and nothing else.
#pragma once
#include <cstdint>

#include "firmware/editor/menu_ids.h"

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
  uint8_t file_action;  // 0 Save, 1 Open, 2 Delete

  uint8_t reload_work;
  uint8_t force_redraw;
  uint8_t return_to_editor;
  // The next digit typed replaces the value instead of shifting into it.
  uint8_t fresh_increment, fresh_end, fresh_count, fresh_spacing;
  // The custom spacing value blinks: 0 off, 1 hidden, 2 shown.
  uint8_t blink_state;
  uint8_t blink_ticks;
};

MenuState& menu_state();
// The message id of the selected entry.
uint8_t menu_selected_entry();

// The serial menu's window on the current line for "Start:" or "End:":
// writes the text (NUL-terminated) and returns its length; the cursor's
// place in it and how many characters before the cursor are the serial (or
// the end value shown in its place).
constexpr int MENU_SERIAL_WINDOW_MAX = 24;
int menu_serial_window(uint8_t caption, uint16_t* text, int* cursor_place, int* marked);
