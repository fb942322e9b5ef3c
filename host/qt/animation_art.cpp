#include "host/qt/animation_art.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <memory>

#include "host/files/tape_view.h"
#include "host/qt/device_art.h"
#include "host/qt/device_layout.h"
#include "host/qt/device_window.h"
#include "host/qt/render.h"
#include "host/qt/simulator.h"
#include "widgets/rocker_switch.h"

namespace {
constexpr int kGap = 12;          // between the device and the tape
constexpr int kTapeShown = 400;   // the newest columns of the tape
constexpr int kCaptionBand = 44;  // under the picture, when the script has captions
const QColor kBackground(236, 236, 236);

std::unique_ptr<QApplication> own_application;

// Cut switch lit: made once.
struct DeviceBase {
  QImage window, lit_switch;
  QPoint switch_at;
};

std::unique_ptr<DeviceBase> base_pictures;

const DeviceBase& device_base() {
  if (!base_pictures) {
    if (!QCoreApplication::instance()) own_application = offscreen_application("klx80-shot");
    base_pictures = std::make_unique<DeviceBase>();
    DeviceBase& base = *base_pictures;
    DeviceWindow window;
    base.window = window.grab().toImage().convertToFormat(QImage::Format_RGB888);
    window.cutSwitch()->setLit(true);
    base.lit_switch = window.cutSwitch()->grab().toImage();
    base.switch_at = window.cutSwitch()->geometry().topLeft();
  }
  return *base_pictures;
}
}  // namespace

void device_frames_done() {
  base_pictures.reset();
  own_application.reset();
}

void paint_caption(QImage& image, const QRect& rect, const QString& text) {
  QPainter p(&image);
  p.fillRect(rect, QColor(250, 250, 246));
  p.setPen(QColor(40, 40, 40));
  p.drawLine(rect.topLeft(), rect.topRight());
  QFont f = p.font();
  f.setPixelSize(17);
  p.setFont(f);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.drawText(rect.adjusted(8, 2, -8, -2), Qt::AlignCenter | Qt::TextWordWrap, text);
}

void picture_from_image(const QImage& source, AnimationPicture& out) {
  const QImage image = source.format() == QImage::Format_RGB888 ? source : source.convertToFormat(QImage::Format_RGB888);
  out.width = image.width();
  out.height = image.height();
  out.rgb.resize(size_t(out.width) * out.height * 3);
  for (int y = 0; y < out.height; ++y)
    std::memcpy(&out.rgb[size_t(y) * out.width * 3], image.constScanLine(y), size_t(out.width) * 3);
}

void paint_device_frame(const ShownState& shown, AnimationPicture& out) {
  const DeviceBase& device = device_base();
  const QImage& base = device.window;
  const int tape_top = layout::kLcdOrigin.y();
  QImage frame(base.width() + kGap + kTapeShown + kGap, base.height() + (shown.captions ? kCaptionBand : 0),
               QImage::Format_RGB888);
  frame.fill(kBackground);
  QPainter p(&frame);
  p.drawImage(0, 0, base);
  if (shown.cut_waiting) p.drawImage(device.switch_at, device.lit_switch);

  // The LCD dot for dot, the lamps over it, the key held down.
  const QImage lcd(shown.lcd_rgb.data(), MIRROR_WIDTH, MIRROR_HEIGHT, MIRROR_WIDTH * 3, QImage::Format_RGB888);
  p.drawImage(layout::kLcdOrigin, lcd);
  device_art::paint_lamps(p, shown.lamps);
  if (const layout::Key* key = shown.pressed_key >= 0 ? layout::key_with_tag(uint8_t(shown.pressed_key)) : nullptr) {
    const QRectF cap = device_art::keycap_rect(*key);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0, 120), 2));
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(cap.adjusted(1, 1, -1, -1), 4, 4);
    p.restore();
  }

  // The tape as the Print Output window paints it, its newest columns in view.
  if (shown.tape_width > 0) {
    const QImage tape(shown.tape_rgb.data(), shown.tape_width, TAPE_PAINT_HEIGHT, shown.tape_width * 3,
                      QImage::Format_RGB888);
    // A short tape from its start, a long one its newest end.
    const int shown_columns = std::min(shown.tape_width, kTapeShown);
    const int first = std::clamp(int(shown.tape_columns) - kTapeShown, 0, shown.tape_width - shown_columns);
    p.drawImage(QPoint(base.width() + kGap, tape_top), tape, QRect(first, 0, shown_columns, TAPE_PAINT_HEIGHT));
    p.setPen(QColor(120, 120, 120));
    p.drawRect(base.width() + kGap - 1, tape_top - 1, shown_columns + 1, TAPE_PAINT_HEIGHT + 1);
  }
  p.end();
  if (shown.captions)
    paint_caption(frame, QRect(0, base.height(), frame.width(), kCaptionBand), QString::fromStdString(shown.caption));
  picture_from_image(frame, out);
}
