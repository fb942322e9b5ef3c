#include "host/qt/screenshot.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPixmap>
#include <cstdio>

#include "host/files/output_file.h"
#include "host/qt/device_window.h"
#include "host/qt/render.h"
#include "host/seam/mirror.h"

QImage lcd_picture() {
  QImage lcd(MIRROR_WIDTH, MIRROR_HEIGHT, QImage::Format_RGB32);
  const uint8_t* src = mirror_rgb();
  for (int y = 0; y < MIRROR_HEIGHT; ++y) {
    auto* line = reinterpret_cast<QRgb*>(lcd.scanLine(y));
    for (int x = 0; x < MIRROR_WIDTH; ++x, src += 3) line[x] = qRgb(src[0], src[1], src[2]);
  }
  return lcd;
}

Screenshot take_screenshot(DeviceWindow& window, const QString& directory) {
  Screenshot shot;
  const QDir dir(directory);
  // The first number whose two names are both free.
  for (int n = 1; n <= 9999 && shot.device.isEmpty(); ++n) {
    const QString base = QStringLiteral("klx80-shot-%1").arg(n, 4, 10, QLatin1Char('0'));
    const QString device = dir.filePath(base + QStringLiteral(".png"));
    const QString lcd = dir.filePath(base + QStringLiteral("-lcd.png"));
    if (QFileInfo::exists(device) || QFileInfo::exists(lcd)) continue;
    shot.device = device;
    shot.lcd = lcd;
  }
  if (shot.device.isEmpty()) {
    shot.error = QStringLiteral("%1 holds 9999 screenshots already").arg(directory);
    return shot;
  }
  const int top = window.menuBar() ? window.menuBar()->height() : 0;
  const QImage picture = window.grab(QRect(0, top, window.width(), window.height() - top)).toImage();
  if (!save_png(picture, shot.device) || !save_png(lcd_picture(), shot.lcd)) {
    shot.error = QStringLiteral("The screenshot could not be written to %1").arg(directory);
    shot.device.clear();
    shot.lcd.clear();
  }
  return shot;
}
