// Pictures of the desktop windows made without a display.
#pragma once
#include <QApplication>
#include <QImage>
#include <QString>
#include <memory>

// An offscreen application named name (no window system is needed for
// pictures), with the windows' font, when the process has none yet; null
// when it has one. The caller keeps it for as long as it draws.
std::unique_ptr<QApplication> offscreen_application(const char* name);

// Saves image as a PNG file the way every output is written: encoded in
// memory, then through a link, never over a device node, no partial file
// left by a failure. False when it cannot be written.
bool save_png(const QImage& image, const QString& path);

// Renders the device window as it would show the device's current state (LCD,
// lamps, keys) into a PNG of the window's client size, offscreen. Creates an
// offscreen application when none exists. False when the file cannot be
// written.
bool render_device_png(const QString& path);
