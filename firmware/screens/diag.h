// Service mode (mode 13), entered with Alt commands and by the print engine's
// head check, and the message browser (mode 30).
#pragma once
#include <cstdint>

void diag_init();
// Mode task of mode 13; also starts an Alt command that waited for a job.
void diag_task();
// Func+X: back to the next test of the command-10 cycle, or to the editor.
void diag_check_exit();
void diag_set_command(uint8_t command);
uint8_t diag_command();
// An Alt command from the window: writes the command and enters mode 13, or,
// while the device prints, waits until the job has ended.
void diag_alt_command(uint8_t command);
// The service erase: both stored copies of the device settings go (the next
// start-up writes the factory ones), and the device works with the factory
// settings from now on.
void diag_erase_settings();
// The editor's note that the settings were erased, in the language in use:
// asked before the erase, which takes the stored language with it.
const char* diag_erased_note();
void diag_set_speed_test(uint8_t on);
uint8_t diag_get_speed_test();
int8_t diag_offset();
// A service screen is about to draw (the sensor page counts ticks before it
// draws its first frame).
bool diag_draw_pending();
// The waiting key stays in the register for good: the service screen shown
// takes no key but Func+X (the keyboard test, the flash check, the sensor
// page, a command that has ended).
bool diag_keeps_key();  // the head offset being chosen (command 16)

void msg_browser_init();
void msg_browser_task();
