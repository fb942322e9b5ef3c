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

bool render_device_png(const QString& path) {
  std::unique_ptr<QApplication> own_app;
  if (!QCoreApplication::instance()) {
    // No window system is needed for a picture.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "klx80-batch";
    static char* argv[] = {name, nullptr};
    own_app = std::make_unique<QApplication>(argc, argv);
    apply_window_font();
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  DeviceWindow window;  // no controller: shows the state, starts nothing
  // Encoded in memory, then written as every other output is: through a
  // link, never over a device node, no partial file left by a failure.
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !window.grab().toImage().save(&buffer, "PNG")) return false;
  return output_file_write(path.toStdString(), [&png](FILE* f) {
    return std::fwrite(png.constData(), 1, size_t(png.size()), f) == size_t(png.size());
  });
}
