// The one host clock. Every wall-clock wait of the host and the print engine
// (the worker's 1 ms sleep, the 100 ms tape end, the 100 ms cut-wait poll)
// goes through host_sleep_ms.
//
// Real mode (the desktop program): sleeps are real sleeps, shortened by the
// speed factor when the device runs fast (4x, 16x).
// Virtual mode (tests, batch runner, the desktop's fastest speed): time
// stands still until the driver advances it. host_clock_advance moves time
// forward and then waits until every participating thread is asleep again,
// so a headless run is in lock step, gives the same result every run and
// never waits on real time.
#pragma once
#include <cstdint>

#include "firmware/platform/clock.h"

// Switching to real mode wakes every thread asleep on the virtual clock.
void host_clock_use_virtual(bool on);
bool host_clock_is_virtual();

// Real mode: sleeps last 1/factor of their time (1 = real time).
void host_clock_set_speed(uint32_t factor);
uint32_t host_clock_speed();

// Milliseconds since the clock started (virtual or real).
uint64_t host_clock_now_ms();

// Threads that sleep through the clock register while they run, so that the
// virtual driver knows whom to wait for.
void host_clock_thread_enter();
void host_clock_thread_leave();

// The sleep between two rounds of a polling loop (the worker's 1 ms). In
// virtual mode the thread is woken only when its deadline has passed and
// has_work() says the next round would do something; otherwise the clock
// moves its deadline on by ms, as if it had woken, found nothing and slept
// again. So an idle worker costs the driver nothing and the loop sees the
// same times it would have seen. has_work runs on the driver's thread under
// the clock's lock: it may only read atomics.
void host_sleep_idle_ms(uint32_t ms, bool (*has_work)());

// Virtual mode: advance time by ms and wait until every registered thread is
// asleep with a deadline in the future (or has left).
void host_clock_advance(uint32_t ms);
