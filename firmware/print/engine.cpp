#include "firmware/print/engine.h"

void prn_init() {}
void prn_tick_task() {}
void prn_engine_step() {}
bool prn_engine_busy() { return false; }
bool prn_sample_seq_running() { return false; }
