// Power: the hardware set-up and the auto-off count, stepped every tick.
#pragma once

void pwr_hw_init();
void pwr_init();
void pwr_task();
void pwr_disable_auto_off();  // service commands keep the device on
