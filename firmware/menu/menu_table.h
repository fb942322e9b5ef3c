// The tables that drive the menu engine: one row per menu (menu_table.cpp)
// and one row per entry that carries a value (menu_values.cpp), with the
// hooks the rows point to. Private to firmware/menu/.
#pragma once
#include <cstddef>
#include <cstdint>

#include "firmware/menu/menu_state.h"

// A list of entries, as message ids.
struct MenuEntries {
  const uint8_t* ids;
  uint8_t count;
};
template <size_t N>
constexpr MenuEntries entries_of(const uint8_t (&ids)[N]) {
  static_assert(N > 0 && N < 256);
  return {ids, uint8_t(N)};
}

// One menu. Only `id`, the list (`entries`, or `choose`) and `enter` are
// needed; every hook left empty does nothing (`first`: the first entry).
struct MenuDef {
  uint8_t id = MENU_NONE;
  // The list: fixed, or chosen each time the menu is built (by material, units).
  MenuEntries entries = {};
  MenuEntries (*choose)() = nullptr;
  // Back opens the parent; MENU_NONE closes to the editor.
  uint8_t parent = MENU_NONE;
  // Extra steps when the menu is built, after the list: working copies and
  // checks. False when the menu closed instead (with a message).
  bool (*prepare)(bool newly_opened) = nullptr;
  // The selection a newly built menu starts on.
  uint8_t (*first)() = nullptr;
  // After each move of the selection: what the status line previews.
  void (*preview)() = nullptr;
  // The menu action, Enter; true when it applied the menu's values.
  bool (*enter)() = nullptr;
  // Back of its own, before the parent; true when it handled the key.
  bool (*back)() = nullptr;
  // More to draw on a row beside its entry (`index` in the list).
  void (*decorate)(uint8_t row, uint8_t index) = nullptr;
  // The status line shows the label type as its icon, not its caption.
  bool type_icon = false;
};

// The menu `id`, or nullptr for an id that is no menu.
const MenuDef* menu_def(uint8_t id);
// The index of entry `id` in the open list, 0 when it is not there.
uint8_t menu_index_of(uint8_t id);

// An entry with a value right of its text: "Copies:", "Spacing:"... The
// value belongs to the entry wherever it is listed. Hooks left empty: the
// value does not step, takes no keys, or is selected with the whole row.
struct MenuField {
  uint8_t entry;                             // the entry's message id
  void (*draw)(uint8_t row) = nullptr;       // the value, on a row cleared from kValueClearX
  bool (*step)(int delta) = nullptr;         // Right (+1), Left (-1); true when the value changed
  bool (*type)(uint8_t key) = nullptr;       // a typed key; true when the value changed
  void (*highlight)(uint8_t row) = nullptr;  // the selection bar, when not the whole row
  void (*tick)(uint8_t row) = nullptr;       // every tick while the entry shows on `row`
};

// The field of entry `id`, or nullptr when the entry has no value.
const MenuField* menu_field(uint8_t id);

// Screen places of the menu rows.
constexpr int kMenuRows = 3;
constexpr int kValueClearX = 82;  // values clear their row from here
constexpr int kValueX = 91;
constexpr int kRowEnd = 128;  // a highlighted row: columns 0..127

// Value entry helpers (menu_values.cpp).
bool is_digit_key(uint8_t key);
void put_two_digits(uint8_t row, unsigned value);

// Two-digit entry: the first digit after opening replaces the value, later
// ones shift in from the right.
template <typename T>
void roll_digit(T& value, uint8_t& fresh, uint8_t digit) {
  if (fresh) {
    fresh = 0;
    value = T(digit);
  } else {
    value = T((value % 10) * 10 + digit);
  }
}

// One step within low..high; false (unchanged) at the ends.
template <typename T>
bool step_within(T& value, int delta, int low, int high) {
  const int v = int(value) + delta;
  if (v < low || v > high) return false;
  value = T(v);
  return true;
}

// Serial run (serial_menu.cpp).
bool serial_prepare(bool newly_opened);
bool serial_enter();
void serial_draw_start(uint8_t row);
void serial_draw_end(uint8_t row);
void serial_highlight_start(uint8_t row);
void serial_highlight_end(uint8_t row);
bool serial_step_end(int delta);
bool serial_type_end(uint8_t key);

// Terminal block and patch panel (block_menu.cpp).
bool terminal_block_prepare(bool newly_opened);
bool patch_panel_prepare(bool newly_opened);
bool terminal_block_enter();
bool patch_panel_enter();
void spacing_draw(uint8_t row);
bool spacing_step(int delta);
bool spacing_type(uint8_t key);
void spacing_highlight(uint8_t row);
void spacing_blink(uint8_t row);

// The other menus' actions (menu_actions.cpp).
bool main_enter();
bool copies_enter();
bool label_type_enter();
bool barcode_enter();
bool file_slots_enter();
bool language_enter();
bool units_enter();
bool fixed_length_enter();
bool wire_size_enter();
bool file_enter();
bool font_size_enter();
