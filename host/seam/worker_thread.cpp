// The worker on a thread of its own, as the desktop program, the batch runner
// and the Python module run it.
#include <thread>

#include "host/seam/clock.h"
#include "host/seam/worker.h"

namespace {
std::thread worker;
}  // namespace

void worker_launch() { worker = std::thread(worker_loop); }

void worker_wait() {
  // A virtual clock must move on so that a sleeping worker sees the request
  // (the join below would otherwise wait for time that never comes).
  while (host_clock_is_virtual() && !worker_loop_ended()) host_clock_advance(1);
  worker.join();
}
