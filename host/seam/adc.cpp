#include "host/seam/adc.h"

#include <atomic>

namespace {
struct Adc {
  std::atomic<float> volts{ADC_START_VOLTS};  // the dial; read by both firmware threads
} s;
}  // namespace

void adc_init() {}
void adc_task() {}
void adc_hook() {}
void adc_load_hook(uint8_t) {}

int adc_read(uint8_t channel) {
  if (channel != 2) return 0;
  return int(s.volts.load() * 1000.0f);  // truncates toward zero
}

void adc_set_battery_volts(float volts) { s.volts = volts; }
float adc_battery_volts() { return s.volts; }
