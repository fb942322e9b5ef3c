// Starts and stops the simulated device: the worker thread that runs the
// print engine, the firmware init sequence and the working label's load.
#pragma once

// Starts the worker thread, runs the 27-step init, then loads the working
// label. Call once; the caller then drives sys_tick every 10 ms.
void firmware_start();

// Asks the worker thread to stop. With wait, joins it (tests and the batch
// runner); without, detaches it as the desktop program does at close.
void firmware_stop(bool wait);

// What closing the device window does: journal the working label, then ask
// the worker to stop (joined under a virtual clock, left running otherwise).
void firmware_close();

bool firmware_running();

// True once the worker has been asked to stop; long waits of the print engine
// (the cut pause) give up when they see it.
bool firmware_terminate_requested();
