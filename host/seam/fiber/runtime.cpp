// Starts and stops the simulated device in a build without threads: the
// worker loop is the threaded runtime's, run as a fiber that the clock
// resumes when its sleep ends.
#include "host/seam/runtime.h"

#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/engine.h"
#include "host/seam/clock.h"
#include "host/seam/fiber/fiber.h"

namespace {
struct Runtime {
  bool terminate = false;
  bool running = false;
} s;

bool worker_has_work() {
  const uint8_t mode = ui_get_mode();
  return s.terminate || (ui_is_printing_mode(mode) && ui_mode_is_built(mode));
}

}  // namespace

// The worker: test the terminate request, one engine step, sleep 1 ms.
void worker_fiber_main() {
  while (!s.terminate) {
    prn_engine_step();
    host_sleep_idle_ms(1, worker_has_work);
  }
  host_clock_thread_leave();
}

void firmware_start() {
  s.terminate = false;
  s.running = true;
  ui_power_reset();
  host_clock_thread_enter();
  worker_fiber_start();
  firmware_init();
  lbl_load();
}

void firmware_stop() {
  if (!s.running) return;
  s.terminate = true;
  while (!worker_fiber_ended()) host_clock_advance(1);
  s.running = false;
}

void firmware_close() {
  if (!s.running) return;
  firmware_stop();
  sys_shutdown_save();
}

bool firmware_running() { return s.running; }
bool firmware_terminate_requested() { return s.terminate; }
