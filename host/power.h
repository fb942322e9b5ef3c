// Auto-off: after 60 000 ticks (ten minutes) without a key the device asks
// "Turn Off Device?"; Yes ends the program at once.
#pragma once
#include <cstdint>

void pwr_hw_init();
void pwr_init();
void pwr_activity();
void pwr_task();
void pwr_disable_auto_off();
void pwr_ask_off();
uint32_t pwr_idle_ticks();
