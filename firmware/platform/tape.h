// The print sink: where the print engine's dot columns go instead of a print
// head. Called on the worker thread.
#pragma once
#include <cstdint>

constexpr int TAPE_COLUMN_BYTES = 16;  // 128 dots across the tape

void tape_init();
void tape_task();
// A new label: clears the tape (unless a sample sequence is running); always
// ends with the cut flag cleared.
void tape_begin();
// One engine column: byte k bit 7 first is engine dot 8k.
void tape_add_column(const uint8_t column[TAPE_COLUMN_BYTES]);
// The label is done; returns after 100 ms of host time.
void tape_end();
