// The Yes/No confirmation (mode 32): asks "Delete?" or "Replace?" about a
// label file slot. No is chosen when it opens; Left and Right move the
// highlight, Enter or Print act, Delete goes back to the menu.
#pragma once
#include <cstdint>

constexpr uint8_t CONFIRM_REPLACE = 0;  // any kind but 2 asks "Replace?"
constexpr uint8_t CONFIRM_DELETE = 2;

void confirm_init();
// Opens the question for slot 0..11 and draws it.
void confirm_open(uint8_t kind, uint8_t slot);
// The mode task of mode 32: one key per tick.
void confirm_task();
// 1 Yes, 0 No: the answer that Enter would take now.
uint8_t confirm_answer();
