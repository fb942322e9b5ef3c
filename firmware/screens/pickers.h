// The two character pickers: screens from which the user picks a character
// the keyboard does not have and inserts it at the cursor through the label
// model (its line limit, fit check and barcode rules apply as for a typed
// character).
//
// Symbol picker (mode 4): 57 symbols in 12 rows of 5 (the last row has 2),
// two rows shown, the selected cell inverted, a scroll bar, a blank status tag.
// International picker (mode 5): 28 groups of accented letters, capitals and
// small letters for each base letter, three groups shown with the selected
// letter inverted, a scroll bar and the tag "A1" (base letter, item number).
// Both keep their selection between openings and draw on the tick after
// they are opened and after every key.
#pragma once
#include <cstdint>

constexpr int SYM_COUNT = 57;
constexpr int SYM_COLUMNS = 5;
constexpr int SYM_ROWS = 12;
constexpr int INTL_GROUPS = 28;

void sym_init();
void sym_picker_task();
void sym_picker_key(uint8_t key);
// The editor opens the symbol picker: Delete there returns to the editor.
void sym_open_from_editor();
uint8_t sym_from_editor();
uint16_t sym_code(int index);  // index 0..56, row * 5 + column
uint8_t sym_row();
uint8_t sym_col();
uint8_t sym_top();

void intl_init();
void intl_picker_task();
void intl_picker_key(uint8_t key);
// The mode setter calls it with the current mode whenever mode 5 is entered.
void intl_set_return_mode(uint8_t mode);
uint8_t intl_return_mode();
uint8_t intl_group();
uint8_t intl_item();
uint8_t intl_top();
// A group's codes (device character set) and count; its base letter.
const uint8_t* intl_group_codes(int group, int* length);
char intl_group_tag(int group);
