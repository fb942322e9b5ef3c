// The firmware's frame: the UI mode register, the Func (shift) key state
// machine, the repeat-print flag, the init sequence and the 10 ms tick.
#pragma once
#include <cstdint>

void ui_init();
// The register as the device finds it when powered: mode 0, no previous
// mode, Func off. Run before the worker starts, so a new start never sees a
// printing mode left from an earlier run of the same process.
void ui_power_reset();
uint8_t ui_get_mode();
uint8_t ui_get_prev_mode();
void ui_set_mode(uint8_t mode);

// Func key: never queued as a key, it drives a four-state machine.
void func_key_down();
void func_key_up();
bool func_is_active();
void func_after_key();
// Func off and its lamp out whatever the state: the host's answer to a Func
// (Shift) released where the device cannot see it.
void func_release();
uint8_t func_state();  // 0..3, for tests and the batch runner's state dump

// Set by diagnostics command 5; the editor's Print key then starts mode 22.
uint8_t prn_get_repeat_flag();
void prn_set_repeat_flag(uint8_t on);

// Called with (1, 1) when printing or the marquee begins, (0, 1) at its end.
void sys_busy_hook(uint8_t on, uint8_t channel);

int fw_version_major();
int fw_version_minor();

// Language index 0..5 from byte 0 of the device settings; 0 when invalid.
uint8_t sys_language();

// The 27-step firmware init sequence (everything but starting the worker
// thread and loading the working label; the host's firmware_start does those).
void firmware_init();

// The 10 ms tick: 19 tasks in a fixed order.
void sys_tick();

// Task 19: the power-on screen hands over to the editor.
void power_on_task();

// Switching off from the window: journals the label being edited.
void sys_shutdown_save();
