// How the print engine's worker is run: on a thread of its own
// (worker_thread.cpp) or, in a build on one thread (the web edition, the fuzz
// targets), as a fiber the virtual clock hands control to
// (fiber/worker_fiber.cpp). The runtime starts and stops it through these.
#pragma once

// The worker's body, the same however it runs: test the terminate request,
// one engine step, sleep 1 ms through the host clock; at the request, leave
// the clock.
void worker_loop();
// True once worker_loop has returned.
bool worker_loop_ended();
// Starts worker_loop. The caller has already counted it with the clock.
void worker_launch();
// Returns once worker_loop has returned (the terminate request is set).
void worker_wait();
