// The device's wall clock as the print engine waits on it (the worker's 1 ms
// step, the tape end, the cut-wait poll).
#pragma once
#include <cstdint>

void host_sleep_ms(uint32_t ms);
