// The device picture: a handheld label printer seen from the front, drawn in
// code at the window's layout (scale 1) and cached per device pixel ratio, and
// the indicator lamps drawn over the LCD picture.
#pragma once
#include <QPixmap>

#include "host/qt/device_layout.h"

class QPainter;
struct MirrorLamps;

namespace device_art {

// Where a key's cap is drawn; always inside the key's hot area.
QRectF keycap_rect(const layout::Key& key);

// Paints the body, bezel, keys and legends in layout coordinates.
void paint_body(QPainter& p);
// The body picture for a device pixel ratio, drawn once and kept.
QPixmap body_pixmap(qreal device_pixel_ratio);
// Paints the lamps that are on, each within its place over the LCD picture.
void paint_lamps(QPainter& p, const MirrorLamps& lamps);

}  // namespace device_art
