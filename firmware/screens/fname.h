// File name entry (mode 6): names the label before it is saved into a file
// slot. Eleven positions, "-" where empty; characters enter at the right end
// and push the others left. Enter saves the label under the name shown.
#pragma once
#include <cstdint>

void fname_init();
// Starts the entry for saving the label into slot 0..11.
void fname_start(uint8_t slot);
// The mode task: draws on entry, then takes one key per tick.
void fname_mode_task();
void fname_key(uint8_t key);
// Shows the slot's stored name, or eleven "-" for an empty slot.
void fname_show_stored();
void fname_redraw();
// Back to the File menu.
void fname_cancel();
// The 11 name positions and their NUL, for tests.
const char* fname_name();
