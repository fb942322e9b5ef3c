// Cutter: the device cuts with a manual lever. Between the labels of a
// multi-label job the print engine waits here until the user has cut the
// label just printed (the Cut switch), continues without cutting (Print) or
// cancels the rest of the job (Delete). Every end of such a pause counts one
// cut in the counter record kept in flash.
#pragma once
#include <cstdint>

// Start-up: the cut flag cleared, and a counter record of zeros stored when
// the flash holds no valid one.
void cut_init();
// The 10 ms task: nothing to do in the simulator.
void cut_task();
// 1 from the host's Cut switch (any time, also while nothing waits); 0 from
// tape_begin at the start of every printed label.
void cut_set_done(uint8_t done);
uint8_t cut_get_done();
// Blocks the print engine (worker thread) until the Cut switch, KEY_PRINT or
// KEY_DELETE ends the pause; polls every 100 ms of host time. Returns true
// when the pause was cancelled (KEY_DELETE, or the program is stopping).
// A cut made before the call (while the label printed) ends it at once.
bool cut_wait();
// True while cut_wait waits and nothing has ended the pause yet.
bool cut_waiting();
// Hardware hook of the cutter motor; empty in the simulator.
void cut_hw_hook(int value);
// The cut count of the newest valid counter record, 0 without one.
uint32_t cut_count();
