// The host clock for a build without threads (the web edition): the print
// engine's worker is a fiber on the one thread, and the virtual clock's lock
// step becomes a hand-over. host_clock_advance moves time on and, when the
// worker's sleep has ended (and an idle sleep's round would find work), runs
// the worker until it sleeps again; a sleep on the worker hands control back.
// The worker thus sees the same times, in the same order, as the threaded
// clock gives it. Time is always virtual here: the page ticks the device from
// its own loop.
#include "host/seam/clock.h"

#include "host/seam/fiber/fiber.h"

namespace {
struct Clock {
  uint64_t now_ms = 0;
  uint32_t speed = 1;
  bool asleep = false;  // the worker waits for its deadline
  uint64_t deadline = 0;
  uint32_t period = 0;          // an idle sleep's length, 0 for a plain sleep
  bool (*has_work)() = nullptr;  // an idle sleep's question, else null
} s;

void sleep_on_worker(uint32_t ms, bool (*has_work)()) {
  if (!worker_fiber_current()) {
    s.now_ms += ms;  // nobody else would move time on
    return;
  }
  s.asleep = true;
  s.deadline = s.now_ms + (ms ? ms : 1);
  s.period = ms ? ms : 1;
  s.has_work = has_work;
  worker_fiber_yield();
}
}  // namespace

void host_clock_use_virtual(bool) {}
bool host_clock_is_virtual() { return true; }
void host_clock_set_speed(uint32_t factor) { s.speed = factor ? factor : 1; }
uint32_t host_clock_speed() { return s.speed; }
uint64_t host_clock_now_ms() { return s.now_ms; }
void host_sleep_ms(uint32_t ms) { sleep_on_worker(ms, nullptr); }
void host_sleep_idle_ms(uint32_t ms, bool (*has_work)()) { sleep_on_worker(ms, has_work); }

// The worker's start: the next advance runs it up to its first sleep, as
// the threaded clock waits for a new thread to reach its first sleep.
void host_clock_thread_enter() {
  s.asleep = true;
  s.deadline = s.now_ms;
  s.has_work = nullptr;
}
void host_clock_thread_leave() { s.asleep = false; }

void host_clock_advance(uint32_t ms) {
  s.now_ms += ms;
  if (!s.asleep || s.deadline > s.now_ms) return;
  if (s.has_work && !s.has_work()) {
    s.deadline = s.now_ms + s.period;  // its round would find nothing
    return;
  }
  s.asleep = false;
  worker_fiber_resume();  // back when it sleeps again or has ended
}
