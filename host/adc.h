// The ADC: channel 2 is the battery voltage in millivolts, taken from the
// battery dial of the media panel.
#pragma once
#include <cstdint>

void adc_init();
void adc_task();
void adc_hook();
int adc_read(uint8_t channel);

// The battery dial's value in volts.
void adc_set_battery_volts(float volts);
float adc_battery_volts();
