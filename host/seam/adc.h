// The ADC's host side: the battery dial of the media panel sets the voltage
// that channel 2 reads.
#pragma once
#include "firmware/platform/adc.h"

// The battery dial's value at start.
constexpr float ADC_START_VOLTS = 9.0f;

// The battery dial's value in volts.
void adc_set_battery_volts(float volts);
float adc_battery_volts();
