// The ADC: channel 2 is the battery voltage in millivolts.
#pragma once
#include <cstdint>

void adc_init();
void adc_task();
void adc_hook();
// The print engine's load on the battery: 1 at the start of a label, 0 at
// its end.
void adc_load_hook(uint8_t on);
int adc_read(uint8_t channel);
