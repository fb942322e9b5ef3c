#include "host/qt/render.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <memory>

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
  return window.grab().toImage().save(path, "PNG");
}
