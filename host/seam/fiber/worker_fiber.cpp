// The worker as a fiber on the one thread of a build without threads (the web
// edition) or run on one thread (the fuzz targets): the clock resumes it when
// its sleep ends, and every sleep on it hands control back.
#include "host/seam/clock.h"
#include "host/seam/fiber/fiber.h"
#include "host/seam/worker.h"

void worker_fiber_main() { worker_loop(); }

void worker_launch() { worker_fiber_start(); }

void worker_wait() {
  while (!worker_fiber_ended()) host_clock_advance(1);
}
