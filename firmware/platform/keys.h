// The one-key register the firmware polls. A key press stores its code; the
// firmware reads it and clears it when it has taken the key.
#pragma once
#include <cstdint>

void kbd_init();
// The code waiting in the register, 0 when none.
uint8_t kbd_get_key();
void kbd_clear_key();
void kbd_task();
// The key matrix scan of the hardware; the simulated device has none (0).
uint8_t kbd_poll_hw();
