// Pictures of the desktop windows made without a display.
#pragma once
#include <QString>

// Renders the device window as it would show the device's current state (LCD,
// lamps, keys) into a PNG of the window's client size, offscreen. Creates an
// offscreen application when none exists. False when the file cannot be
// written.
bool render_device_png(const QString& path);
