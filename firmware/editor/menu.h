// Menu engine (mode 3).
#pragma once
#include <cstdint>

void menu_init();
void menu_task();
// Opens menu `id` (1..17); the caller then sets UI mode 3. The menu is built
// and drawn on the next tick.
void menu_open(uint8_t id);
// The menu that is open, 0 when none.
uint8_t menu_current_id();
// Set when the barcode menu was opened from the editor's Func layer: Delete
// there goes straight back to the editor.
void menu_set_return_to_editor(uint8_t on);
uint8_t menu_return_to_editor();
