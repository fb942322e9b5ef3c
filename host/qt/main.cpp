// The desktop simulator: the device window, the print output, the media panel
// and the serial panel, with the firmware running behind them. --serial PORT
// connects the serial panel at start (for test rigs); --remote also lets the
// other end drive the device with key scripts. --play SCRIPT plays a key
// script at once (--loop: again and again, a demonstration at a fair), at the
// --speed chosen.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include <cstdlib>
#include <exception>

#include "anim/animation_file.h"
#include "host/files/image_lock.h"
#include "host/qt/app_menus.h"
#include "host/qt/image_rescue.h"
#include "host/qt/script_player.h"
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

struct Options {
  QString flash;
  QString serial;
  bool remote = false;
  bool read_only = false;
  QString play;
  bool loop = false;
  uint32_t speed = 1;
};

// Parses the command line before any window exists (--help and --version
// work without a display). Qt's own options (-platform, -style, ...) pass.
// Returns -1 to go on, else the exit status.
int parse_options(int argc, char** argv, Options& o) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "The KLX80 label printer simulator.\n\nExit status: 0 closed normally, 1 a change could not be saved "
      "(told in a box, or on standard error when closed by a signal), 2 bad arguments, 3 the image is in use "
      "by another klx80 program and Quit was chosen."));
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
  const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
  const QCommandLineOption flash(QStringLiteral("flash"),
                                 QStringLiteral("The flash image (default fontData.hex here)."), QStringLiteral("PATH"));
  const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Connect the serial panel to PORT at start."),
                                  QStringLiteral("PORT"));
  const QCommandLineOption remote(QStringLiteral("remote"),
                                  QStringLiteral("With --serial: the other end may type key scripts."));
  const QCommandLineOption read_only(QStringLiteral("read-only"),
                                     QStringLiteral("Run on the image without saving anything to it: it is neither "
                                                    "moved nor written, and Reset is refused."));
  const QCommandLineOption play(QStringLiteral("play"), QStringLiteral("Play this key script at once."),
                                QStringLiteral("SCRIPT"));
  const QCommandLineOption loop(QStringLiteral("loop"), QStringLiteral("With --play: play it again at its end."));
  const QCommandLineOption speed(QStringLiteral("speed"),
                                 QStringLiteral("Run the device at 1, 4 or 16 times real time, or max (as fast as "
                                                "possible)."),
                                 QStringLiteral("1|4|16|max"));
  parser.addOptions({help, version, flash, serial, remote, read_only, play, loop, speed});
  parser.addPositionalArgument(QStringLiteral("SCRIPT"), QStringLiteral("A key script to play (as --play)."),
                               QStringLiteral("[SCRIPT]"));
  // Qt's own options, taken by the application object.
  for (const char* name : {"platform", "style", "stylesheet", "display", "qwindowgeometry", "qwindowtitle",
                           "qwindowicon", "platformpluginpath", "platformtheme", "plugin", "session", "geometry",
                           "title", "name"}) {
    QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(o);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
    QCommandLineOption o(QString::fromLatin1(name));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(o);
  }
  if (!parser.parse(args)) {
    std::fprintf(stderr, "klx80: %s\nTry 'klx80 --help'.\n", parser.errorText().toLocal8Bit().constData());
    return 2;
  }
  // One file named alone is a key script to play (opened from the file
  // manager); an image goes with --flash.
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1 || (files.size() == 1 && (files[0].endsWith(QStringLiteral(".hex")) || parser.isSet(play)))) {
    std::fprintf(stderr, "klx80: unexpected argument '%s' (the image goes with --flash)\nTry 'klx80 --help'.\n",
                 files.last().toLocal8Bit().constData());
    return 2;
  }
  if (parser.isSet(help)) {
    std::fputs(parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("klx80")).toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("klx80 %s, firmware %s\n", KLX80_VERSION, DeviceController::firmwareVersion().toLocal8Bit().constData());
    return 0;
  }
  o.flash = parser.value(flash);
  o.serial = parser.value(serial);
  o.remote = parser.isSet(remote);
  o.read_only = parser.isSet(read_only);
  if (o.remote && o.serial.isEmpty()) {
    std::fprintf(stderr, "klx80: --remote needs --serial PORT\n");
    return 2;
  }
  o.play = files.isEmpty() ? parser.value(play) : files[0];
  o.loop = parser.isSet(loop);
  if (!o.play.isEmpty() && !QFileInfo(o.play).isFile()) {
    std::fprintf(stderr, "klx80: cannot read the key script %s\n", o.play.toLocal8Bit().constData());
    return 2;
  }
  if (o.loop && o.play.isEmpty()) {
    std::fprintf(stderr, "klx80: --loop needs --play SCRIPT\n");
    return 2;
  }
  if (parser.isSet(speed)) {
    const QString v = parser.value(speed);
    o.speed = v == QStringLiteral("max") ? DeviceController::kFastest : v.toUInt();
    if (v != QStringLiteral("max") && o.speed != 1 && o.speed != 4 && o.speed != 16) {
      std::fprintf(stderr, "klx80: --speed takes 1, 4, 16 or max, not '%s'\n", v.toLocal8Bit().constData());
      return 2;
    }
  }
  return -1;
}

// Another program holds the image: say so, and offer to run read-only.
// False: the user chose to quit.
bool ask_read_only(const QString& path) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Flash Image in Use"),
                  QStringLiteral("%1 is open in another KLX80 program.\n\nTwo programs on one image overwrite each "
                                 "other's labels, files and settings. Open it read-only here (nothing you change is "
                                 "saved), or quit?")
                      .arg(path));
  QPushButton* read_only = box.addButton(QStringLiteral("Open Read-Only"), QMessageBox::AcceptRole);
  QPushButton* quit = box.addButton(QStringLiteral("Quit"), QMessageBox::RejectRole);
  box.setDefaultButton(quit);
  box.exec();
  return box.clickedButton() == read_only;
}

// A close that comes as a plain exit (the X server went away and the display
// connection ended the program from inside the event loop) still closes the
// device as closing its window does: the label journalled, the worker joined.
DeviceController* device_at_exit = nullptr;
void close_device_at_exit() {
  if (DeviceController* c = device_at_exit) {
    device_at_exit = nullptr;
    set_closing_unattended();  // no display: every warning goes to standard error
    c->close();
    if (!c->saveProblemAtClose().empty()) {
      std::fprintf(stderr, "klx80: the display went away; the device is closed, but its last changes were not saved: %s\n",
                   c->saveProblemAtClose().c_str());
      std::fflush(stderr);
      _exit(1);
    }
    std::fprintf(stderr, "klx80: the display went away; the device is closed and its label kept\n");
  }
}
}  // namespace

int main(int argc, char** argv) {
  animation_enable_video();  // File > Record Animation writes WebM and MP4 too
  Options options;
  if (int status = parse_options(argc, argv, options); status >= 0) return status;
  if (!options.flash.isEmpty()) spi_set_path(options.flash.toLocal8Bit().toStdString());
  if (!display_available()) {
    std::fprintf(stderr, "klx80: no display found (DISPLAY is not set); run the device headless with klx80-batch\n");
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("klx80"));
  // The installed desktop entry and its icon (the window manager's and the
  // task bar's picture of the program).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.klx80.Simulator"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.klx80.Simulator")));
  apply_window_font();

  // What is not a flash image at all (a device node, a huge file) is refused
  // before any window opens.
  if (FlashImageCheck check = flash_image_inspect(spi_path()); check.verdict == FlashImageVerdict::Refused) {
    std::fprintf(stderr, "klx80: %s\n", check.message.c_str());
    QMessageBox::critical(nullptr, DeviceWindow::programName(), QString::fromStdString(check.message));
    return 2;
  }

  const QString image = QString::fromStdString(spi_path());
  // One program per image: the lock first, so that nothing below touches an
  // image another program holds.
  ImageLock lock;
  bool read_only = options.read_only;
  if (!read_only && lock.acquire(spi_path(), ImageLock::Mode::Exclusive) == ImageLock::Result::InUse) {
    std::fprintf(stderr, "klx80: %s\n", image_lock_in_use(spi_path()).c_str());
    if (!ask_read_only(image)) return 3;
    read_only = true;
  }

  // Read-only, the image is neither moved nor written, whatever it holds.
  if (!read_only) {
    const auto ask = [](const QString& caption) {
      return [caption](const QString& question) {
        return QMessageBox::question(nullptr, caption, question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
      };
    };
    // A missing image: offered a fresh one in its place.
    ImageRescue rescue = rescue_missing_image(image, fresh_image_template(), ask("Flash Image Missing"));
    // A damaged image: offered a fresh start, changed only on the user's yes.
    if (!rescue.asked)
      rescue = rescue_damaged_image(image, fresh_image_template(), [](const QString& question) {
        return QMessageBox::question(nullptr, QStringLiteral("Damaged Flash Image"), question,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
      });
    if (!rescue.error.isEmpty())
      QMessageBox::warning(nullptr, DeviceWindow::programName(), rescue.error);
    else if (rescue.replaced && !rescue.kept_as.isEmpty())
      std::fprintf(stderr, "klx80: started from a fresh image; the damaged one is kept as %s\n",
                   rescue.kept_as.toLocal8Bit().constData());
  }

  QtHostUi ui(QtHostUi::kIdleMinutesMs);
  host_ui_install(&ui);
  int status = 0;
  {
    Simulator simulator;
    simulator.setImageLock(&lock);
    simulator.controller().setReadOnly(read_only);
    simulator.deviceWindow().setReadOnly(read_only);
    simulator.restorePlaces();
    if (read_only) simulator.offsetPlaces(QPoint(64, 48));  // beside the first program's windows
    QObject::connect(&simulator.deviceWindow(), &DeviceWindow::closed, [&simulator] { simulator.savePlaces(); });
    simulator.show();
    close_on_signals(&simulator.deviceWindow());
    ui.setDeviceWindow(&simulator.deviceWindow());
    device_at_exit = &simulator.controller();
    std::atexit(close_device_at_exit);
    simulator.controller().setSpeed(options.speed);
    if (!options.play.isEmpty())
      // Once the event loop runs (the device has started with the window).
      QTimer::singleShot(0, &simulator.deviceWindow(), [&simulator, &options] {
        simulator.menus().setLoopPlayback(options.loop);
        // Said once it has played (a rig waits for it); a loop never ends.
        QObject::connect(simulator.menus().player(), &ScriptPlayer::finished, &simulator.deviceWindow(),
                         [&options] {
                           if (!options.loop)
                             std::fprintf(stderr, "klx80: played %s\n", options.play.toLocal8Bit().constData());
                         });
        if (!simulator.menus().playScript(options.play))
          std::fprintf(stderr, "klx80: the key script %s was not played\n", options.play.toLocal8Bit().constData());
      });
    if (!options.serial.isEmpty()) {
      // The rig reads what the window's status bar says.
      SerialWindow& serial = simulator.serialWindow();
      QObject::connect(&serial, &SerialWindow::statusChanged, [](const QString& text) {
        std::fprintf(stderr, "klx80: %s\n", text.toLocal8Bit().constData());
      });
      serial.openWindow();
      serial.connectTo(options.serial, options.remote);
    }
    try {
      app.exec();
    } catch (const std::exception& e) {
      QMessageBox::critical(nullptr, DeviceWindow::programName(), QString::fromLocal8Bit(e.what()));
    } catch (...) {
      QMessageBox::critical(nullptr, DeviceWindow::programName(), QString());
    }
    device_at_exit = nullptr;
    // A save that did not reach the image was told (a box, or on standard
    // error when closing on a signal); the exit status says it too.
    if (!simulator.controller().saveProblemAtClose().empty()) status = 1;
  }
  host_ui_install(nullptr);  // the worker has been joined: nothing runs any more
  return status;
}
