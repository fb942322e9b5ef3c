// The worker thread that runs the print engine belongs to the device: the
// engine's long waits (the cut pause, the display hand-over) ask it whether
// the device is being switched off.
#pragma once

// True once the worker has been asked to stop.
bool firmware_terminate_requested();
