// Cutter: the cut pause between labels and the cut counter.
#pragma once
#include <cstdint>

void cut_init();
void cut_task();
void cut_set_done(uint8_t done);
