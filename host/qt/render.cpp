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

namespace {
QtMessageHandler qt_handler = nullptr;
// An offscreen picture needs no runtime folder: Qt's note that the
// environment names none (as in CI and under sudo) would only be noise.
void quiet_about_runtime_dir(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (qt_handler) qt_handler(type, context, message);
}
}  // namespace

std::unique_ptr<QApplication> offscreen_application(const char* name) {
  if (QCoreApplication::instance()) return nullptr;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qt_handler = qInstallMessageHandler(quiet_about_runtime_dir);
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
