// The web edition's pictures, drawn by the device window's own code at build
// time: the device body, the lamps, the Cut switch and the key areas as data.
#pragma once
#include <QString>

// Writes into dir: device.png (the body at twice the layout's size),
// lamps.png (each lamp alone over the LCD's corner, one frame under the
// other), cut.png (the Cut switch dark, then lit) and layout.json (the
// window's size, the LCD, lamp and switch places, every key's area, cap,
// legends and PC key). Creates an offscreen application when none exists.
// False when a file cannot be written.
bool write_web_art(const QString& dir);
