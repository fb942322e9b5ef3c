// Starts and stops the simulated device. The worker runs on a thread or as a
// fiber (worker.h); what it does, and when, is the same either way.
#include "host/seam/runtime.h"

#include <atomic>

#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/engine.h"
#include "host/seam/clock.h"
#include "host/seam/worker.h"

namespace {
struct Runtime {
  std::atomic<bool> terminate{false};
  std::atomic<bool> running{false};
  std::atomic<bool> exited{false};
} s;

// Whether the worker's next round does anything: the engine acts only in a
// printing mode that has a job and a step in any other returns at once, so a
// virtual clock need not wake it for that.
bool worker_has_work() {
  const uint8_t mode = ui_get_mode();
  return s.terminate || (ui_is_printing_mode(mode) && ui_mode_is_built(mode));
}
}  // namespace

void worker_loop() {
  while (!s.terminate) {
    prn_engine_step();
    host_sleep_idle_ms(1, worker_has_work);
  }
  s.exited = true;
  host_clock_thread_leave();
}

bool worker_loop_ended() { return s.exited; }

void firmware_start() {
  s.terminate = false;
  s.exited = false;
  s.running = true;
  ui_power_reset();
  host_clock_thread_enter();  // counted before it runs, so a virtual driver waits for it
  worker_launch();
  firmware_init();
  lbl_load();
}

void firmware_stop() {
  if (!s.running) return;
  s.terminate = true;
  worker_wait();
  s.running = false;
}

// Closing in the middle of a copies or serial job first lets the job end as a
// cancel does (the stop request ends its pause at once, its end steps reset
// the print options), so the label journalled is the one the user has after
// the job, not one that repeats the whole job at the next Print. The worker
// finishes at most the label it is printing and is joined before the save, so
// nothing of the firmware runs once the process goes on to exit.
void firmware_close() {
  if (!s.running) return;
  firmware_stop();
  sys_shutdown_save();
}

bool firmware_running() { return s.running; }
bool firmware_terminate_requested() { return s.terminate; }
