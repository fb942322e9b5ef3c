// The one host clock. Every wall-clock wait of the host and the print engine
// (the worker's 1 ms sleep, the 100 ms tape end, the 100 ms cut-wait poll)
// goes through host_sleep_ms.
//
// Real mode (the desktop program): sleeps are real sleeps.
// Virtual mode (tests, batch runner): time stands still until the driver
// advances it. host_clock_advance moves time forward and then waits until
// every participating thread is asleep again, so a headless run is in lock
// step, gives the same result every run and never waits on real time.
#pragma once
#include <cstdint>

#include "firmware/platform/clock.h"

void host_clock_use_virtual(bool on);
bool host_clock_is_virtual();

// Milliseconds since the clock started (virtual or real).
uint64_t host_clock_now_ms();

// Threads that sleep through the clock register while they run, so that the
// virtual driver knows whom to wait for.
void host_clock_thread_enter();
void host_clock_thread_leave();

// Virtual mode: advance time by ms and wait until every registered thread is
// asleep with a deadline in the future (or has left).
void host_clock_advance(uint32_t ms);
