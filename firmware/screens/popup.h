// Timed message popup (mode 12); the Yes/No confirmation (mode 32) is in
// confirm.h.
// The popup shows one message of the message table, word-wrapped and
// centred, for about a second (or until its caller closes it) and then hands
// the screen back to the mode it came from.
#pragma once
#include <cstddef>
#include <cstdint>

#include "firmware/screens/confirm.h"  // the Yes/No confirmation beside the popup

void msg_popup_init();
// Opens the popup with message `id`; timed 1 closes it by itself on its
// 102nd tick, 0 waits for msg_popup_close. Ignored while a popup shows.
// Also called from the print engine's worker thread.
void msg_popup_show(uint8_t id, uint8_t timed);
void msg_popup_close();
void msg_popup_task();

// Where a popup text goes: `length` bytes from `offset` on LCD text line
// `line` at dot column x. Texts of up to 14 bytes sit alone on line 1; longer
// ones wrap over lines 0..2 at the last space among the next 14 bytes (the
// space starts the next line); the rest after line 2 is not shown.
struct PopupLine {
  uint8_t line;
  uint8_t x;
  uint8_t offset;
  uint8_t length;
};
int msg_popup_layout(const char* text, PopupLine out[3]);

// For tests and the batch runner: the message showing now (UI mode 12), or -1,
// and every message shown since the last reset (msg_popup_init resets too).
int msg_popup_current();
// True while the popup showing closes by itself (false for the "Cut or Print"
// pause, which waits for its caller).
bool msg_popup_timed();
// The popup shows and is not drawn yet (it draws on its next tick).
bool msg_popup_draw_pending();
size_t msg_popup_history_count();
uint8_t msg_popup_history_at(size_t index);
void msg_popup_history_reset();
