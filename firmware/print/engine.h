// Print engine: runs on the worker thread in the printing modes.
#pragma once

void prn_init();
void prn_tick_task();
void prn_engine_step();
// True while the engine is inside a job (for the batch runner's settling).
bool prn_engine_busy();
// True while the engine prints the sequence of built-in sample labels; the
// tape then keeps growing across the labels of the sequence.
bool prn_sample_seq_running();
