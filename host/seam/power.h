// Auto-off: after 60 000 ticks (ten minutes) without a key the device asks
// "Turn Off Device?"; Yes turns it off (see HostUi::turn_off).
#pragma once
#include <cstdint>

#include "firmware/platform/power.h"

// A key event: the idle count starts again.
void pwr_activity();
void pwr_disable_auto_off();
// The simulator's switch (Device menu): off keeps the question away until it
// is turned on again or the program ends; the device's own setting is kept.
void pwr_allow_auto_off(bool allowed);
bool pwr_auto_off_allowed();
void pwr_ask_off();
uint32_t pwr_idle_ticks();
