// The batch runner's whole run: parses the arguments, runs the simulated
// device without a display through the key script, and writes what the device
// shows (LCD, tape) and its state. klx80-batch is this run without Qt;
// klx80-shot is the same run that can also draw the device window.
#pragma once
#include <string>

#include "anim/animation_capture.h"

// Draws the device window's picture into a PNG; false when it cannot.
using DevicePictureWriter = bool (*)(const std::string& path);
// Paints a frame of --animation-device: the device's picture, the tape
// beside it and the caption below.
using DeviceFramePainter = void (*)(const ShownState& shown, AnimationPicture& out);

// Returns the exit status: 0 success, 1 a script or output error, 2 bad
// arguments. Without a writer --device-png is refused as a bad argument, and
// without a painter --animation-device.
int batch_main(int argc, char** argv, DevicePictureWriter write_device_png,
               DeviceFramePainter paint_device_frame = nullptr);
