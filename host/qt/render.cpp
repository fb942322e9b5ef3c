#include "host/qt/render.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <memory>

#include "host/files/output_file.h"
#include "host/qt/device_window.h"
#include "host/qt/simulator.h"

std::unique_ptr<QApplication> offscreen_application(const char* name) {
  if (QCoreApplication::instance()) return nullptr;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // QApplication keeps argc and argv for its life: they outlive every call.
  static int argc = 1;
  static char program[64];
  static char* argv[] = {program, nullptr};
  std::snprintf(program, sizeof program, "%s", name);
  auto app = std::make_unique<QApplication>(argc, argv);
  apply_window_font();
  return app;
}

bool save_png(const QImage& image, const QString& path) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
  return output_file_write_bytes(path.toStdString(), png.constData(), size_t(png.size()));
}

bool render_device_png(const QString& path) {
  const std::unique_ptr<QApplication> own_app = offscreen_application("klx80-batch");
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  DeviceWindow window;  // no controller: shows the state, starts nothing
  return save_png(window.grab().toImage(), path);
}
