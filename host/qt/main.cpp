// The desktop simulator: the device window, the print output, the media panel
// and the serial panel, with the firmware running behind them. --serial PORT
// connects the serial panel at start (for test rigs); --remote also lets the
// other end drive the device with key scripts.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "host/qt/image_rescue.h"
#include "host/qt/qt_host_ui.h"
#include "host/qt/signal_close.h"
#include "host/qt/simulator.h"
#include "host/seam/flash_image.h"
#include "host/seam/spi_flash.h"

namespace {
bool display_available() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;  // the user chose one
  return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

int usage(const char* program) {
  std::fprintf(stdout, "usage: %s [--flash PATH] [--serial PORT [--remote]]\n", program);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const char* serial_port = nullptr;
  bool remote = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--flash") == 0 && i + 1 < argc) {
      spi_set_path(argv[++i]);
    } else if (std::strcmp(argv[i], "--serial") == 0 && i + 1 < argc) {
      serial_port = argv[++i];
    } else if (std::strcmp(argv[i], "--remote") == 0) {
      remote = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      return usage(argv[0]);
    }  // anything else is for Qt (-platform, -style, ...)
  }
  if (remote && !serial_port) {
    std::fprintf(stderr, "klx80: --remote needs --serial PORT\n");
    return 2;
  }
  if (!display_available()) {
    std::fprintf(stderr, "klx80: no display found (DISPLAY is not set); run the device headless with klx80-batch\n");
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("klx80"));
  apply_window_font();

  // What is not a flash image at all (a device node, a huge file) is refused
  // before any window opens.
  if (FlashImageCheck check = flash_image_inspect(spi_path()); check.verdict == FlashImageVerdict::Refused) {
    std::fprintf(stderr, "klx80: %s\n", check.message.c_str());
    QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromStdString(check.message));
    return 2;
  }

  // A damaged image: offered a fresh start, changed only on the user's yes.
  const ImageRescue rescue = rescue_damaged_image(
      QString::fromStdString(spi_path()), QStringLiteral(KLX80_FRESH_IMAGE), [](const QString& question) {
        return QMessageBox::question(nullptr, QStringLiteral("Damaged Flash Image"), question,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
      });
  if (!rescue.error.isEmpty())
    QMessageBox::warning(nullptr, QApplication::applicationName(), rescue.error);
  else if (rescue.replaced)
    std::fprintf(stderr, "klx80: started from a fresh image; the damaged one is kept as %s\n",
                 rescue.kept_as.toLocal8Bit().constData());

  QtHostUi ui(QtHostUi::kIdleMinutesMs);
  host_ui_install(&ui);
  int status = 0;
  {
    Simulator simulator;
    simulator.restorePlaces();
    QObject::connect(&simulator.deviceWindow(), &DeviceWindow::closed, [&simulator] { simulator.savePlaces(); });
    simulator.show();
    close_on_signals(&simulator.deviceWindow());
    ui.setDeviceWindow(&simulator.deviceWindow());
    if (serial_port) {
      // The rig reads what the window's status bar says.
      SerialWindow& serial = simulator.serialWindow();
      QObject::connect(&serial, &SerialWindow::statusChanged, [](const QString& text) {
        std::fprintf(stderr, "klx80: %s\n", text.toLocal8Bit().constData());
      });
      serial.openWindow();
      serial.connectTo(QString::fromLocal8Bit(serial_port), remote);
    }
    try {
      app.exec();
    } catch (const std::exception& e) {
      QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromLocal8Bit(e.what()));
    } catch (...) {
      QMessageBox::critical(nullptr, QApplication::applicationName(), QString());
    }
  }
  host_ui_install(nullptr);  // the worker has been joined: nothing runs any more
  return status;
}
