// Symbol picker (mode 4) and international character picker (mode 5), not
// built yet: each mode hands straight back (TODO list in pickers.cpp).
#pragma once
#include <cstdint>

void sym_init();
void sym_picker_task();
// The editor opens the symbol picker: Delete there returns to the editor.
void sym_open_from_editor();
uint8_t sym_from_editor();
void intl_init();
void intl_picker_task();
void intl_set_return_mode(uint8_t mode);
uint8_t intl_return_mode();
