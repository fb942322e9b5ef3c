// The frames of an animation of the whole device: the device window's
// picture (LCD, lamps, the key being pressed), the printed tape beside it
// and the caption below, drawn offscreen.
#pragma once
#include <QImage>
#include <QString>

#include "anim/animation_capture.h"

// Paints one frame. Creates an offscreen application when none exists.
void paint_device_frame(const ShownState& shown, AnimationPicture& out);
// Lets go of the pictures and the application the frames made, before the
// process ends (Qt cannot be torn down by the static destructors).
void device_frames_done();

// The caption band: text centred in rect, wrapped, on the band's colour.
void paint_caption(QImage& image, const QRect& rect, const QString& text);

// A QImage as an animation frame (RGB, its size).
void picture_from_image(const QImage& image, AnimationPicture& out);
