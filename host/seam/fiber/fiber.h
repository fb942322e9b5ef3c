// The print engine's worker as a fiber on the one thread of a build without
// threads: started by the runtime, resumed by the clock when its sleep ends,
// and handing control back whenever it sleeps.
#pragma once

// The worker's body, defined by the runtime. Called directly, not through a
// pointer, so that only the functions on the way to a yield carry the cost of
// being suspended (the build leaves indirect calls out of that analysis).
void worker_fiber_main();
// Makes the worker, to run worker_fiber_main on its own stack at the first resume.
void worker_fiber_start();
// Runs the worker until it yields or its entry returns.
void worker_fiber_resume();
// On the worker: back to whoever resumed it.
void worker_fiber_yield();
// True while the worker runs.
bool worker_fiber_current();
// True once the worker's entry has returned.
bool worker_fiber_ended();
