// Starts and stops the simulated device: the worker that runs the print
// engine (a thread, or a fiber in a build on one thread), the firmware init
// sequence and the working label's load.
#pragma once
#include "firmware/platform/worker.h"

// Starts the worker, runs the 27-step init, then loads the working
// label. Call once; the caller then drives sys_tick every 10 ms.
void firmware_start();

// Asks the worker to stop and waits until it has. The engine's long waits
// (the cut pause, the display hand-over, the endless print) give up when they
// see the request, so this waits at most for the label being printed.
void firmware_stop();

// What closing the device window does: stop the worker (a job in progress
// ends as a cancel does), then journal the working label.
void firmware_close();

bool firmware_running();
