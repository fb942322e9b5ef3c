// Print engine: runs on the worker thread in the printing modes.
#pragma once

void prn_init();
void prn_tick_task();
void prn_engine_step();
// True while the engine is inside a job (for the batch runner's settling).
bool prn_engine_busy();
