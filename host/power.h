// Auto-off: after 60 000 ticks (ten minutes) without a key the device asks
// "Turn Off Device?"; Yes ends the program at once.
#pragma once
#include <cstdint>

#include "firmware/platform/power.h"

// A key event: the idle count starts again.
void pwr_activity();
void pwr_disable_auto_off();
void pwr_ask_off();
uint32_t pwr_idle_ticks();
