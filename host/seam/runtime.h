// Starts and stops the simulated device: the worker thread that runs the
// print engine, the firmware init sequence and the working label's load.
#pragma once
#include "firmware/platform/worker.h"

// Starts the worker thread, runs the 27-step init, then loads the working
// label. Call once; the caller then drives sys_tick every 10 ms.
void firmware_start();

// Asks the worker thread to stop and joins it. The engine's long waits (the
// cut pause, the display hand-over, the endless print) give up when they see
// the request, so the join waits at most for the label being printed.
void firmware_stop();

// What closing the device window does: stop the worker (a job in progress
// ends as a cancel does), then journal the working label.
void firmware_close();

bool firmware_running();
