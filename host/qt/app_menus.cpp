#include "host/qt/app_menus.h"

#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QToolTip>
#include <cstdio>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenuBar>
#include <QMessageBox>

#include "host/files/image_lock.h"
#include "host/qt/animation_recorder.h"
#include "host/qt/keyboard_map.h"
#include "host/qt/user_guide.h"
#include "host/qt/screenshot.h"
#include "host/qt/script_player.h"
#include "host/qt/window_places.h"
#include "host/qt/simulator.h"

namespace {
void reopen(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}
}  // namespace

AppMenus::AppMenus(Simulator& simulator, QString fresh_image)
    : QObject(&simulator.deviceWindow()), sim_(simulator), fresh_image_(std::move(fresh_image)) {
  bar_ = new QMenuBar;
  bar_->setObjectName(QStringLiteral("MenuBar"));
  bar_->setNativeMenuBar(false);  // always inside the window, above the picture
  buildFile();
  buildDevice();
  buildView();
  buildHelp();
  sim_.deviceWindow().setMenuBar(bar_);
  // F10 opens the menus from the keyboard, as on most desktops; the entries
  // then take their underlined letters without Alt.
  auto* f10 = new QAction(bar_);
  f10->setShortcut(QKeySequence(Qt::Key_F10));
  f10->setShortcutContext(Qt::WindowShortcut);
  connect(f10, &QAction::triggered, bar_, [this] {
    bar_->setFocus(Qt::ShortcutFocusReason);
    bar_->setActiveAction(file_->menuAction());
  });
  sim_.deviceWindow().addAction(f10);
}

void AppMenus::buildFile() {
  file_ = bar_->addMenu(QStringLiteral("File"));
  PrintWindow* print = &sim_.printWindow();
  file_->addAction(QStringLiteral("Save Tape as &PNG..."), QKeySequence(Qt::CTRL | Qt::Key_S), print,
                   &PrintWindow::saveTapePngAs);
  file_->addAction(QStringLiteral("Save Tape as P&DF..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), print,
                   &PrintWindow::saveTapePdfAs);
  file_->addAction(QStringLiteral("Save &Whole History as PNG..."), print, &PrintWindow::saveHistoryPngAs);
  file_->addAction(QStringLiteral("Save Whole &History as PDF..."), print, &PrintWindow::saveHistoryPdfAs);
  file_->addSeparator();
  file_->addAction(QStringLiteral("&Screenshot"), QKeySequence(Qt::Key_F12), this, &AppMenus::screenshot);
  file_->addAction(QStringLiteral("&Copy LCD"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), this,
                   [] { QGuiApplication::clipboard()->setImage(lcd_picture()); });
  file_->addAction(QStringLiteral("Copy &Tape"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), print,
                   &PrintWindow::copyTape);
  file_->addSeparator();
  file_->addAction(QStringLiteral("&Open Flash Image..."), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                   &AppMenus::askOpenImage);
  // Saving works from every window of the program, as typing does.
  for (QAction* a : file_->actions()) a->setShortcutContext(Qt::ApplicationShortcut);
  record_place_ = file_->addSeparator();
  record_place_->setObjectName(QStringLiteral("RecordPlace"));
  // Recording restarts the device and ends with a file: both say when they can.
  // A script playing is not recorded over: Record waits for its end (a
  // script played into a recording is recorded).
  DeviceController* controller = &sim_.controller();
  DeviceWindow* window = &sim_.deviceWindow();
  player_ = new ScriptPlayer(controller, window, &sim_.mediaPanel(), this);
  connect(player_, &ScriptPlayer::refused, this,
          [this](const QString& why) { tell(QStringLiteral("The key script stopped: %1").arg(why), true); },
          Qt::QueuedConnection);  // told after the tick that found it
  QAction* record = file_->addAction(QStringLiteral("&Record Key Script"), this, [this, controller] {
    if (player_->playing() || !controller->startRecording())
      tell(QStringLiteral("The device is not running or a key script is playing; nothing is recorded."), true);
  });
  record->setObjectName(QStringLiteral("RecordKeyScript"));
  QAction* stop = file_->addAction(QStringLiteral("Stop R&ecording..."), window, &DeviceWindow::stopRecording);
  (new AnimationRecorder(window, &sim_.printWindow(), this))->addActions(*file_);
  connect(file_, &QMenu::aboutToShow, this, [this, record, stop, controller] {
    record->setEnabled(controller->started() && !controller->recording() && !player_->playing());
    stop->setEnabled(controller->recording());
  });
  // A key script played in the window (PLAY in the title), once or in a loop.
  file_->addSeparator();
  QAction* play = file_->addAction(QStringLiteral("Pla&y Key Script..."), this, &AppMenus::askPlayScript);
  QAction* loop = file_->addAction(QStringLiteral("&Loop Playback"));
  loop->setObjectName(QStringLiteral("LoopPlayback"));
  loop->setCheckable(true);
  loop_ = loop;
  QAction* stop_play = file_->addAction(QStringLiteral("Stop Playin&g"), player_, &ScriptPlayer::stop);
  connect(file_, &QMenu::aboutToShow, this, [this, play, stop_play, controller] {
    play->setEnabled(controller->started() && !player_->playing());
    stop_play->setEnabled(player_->playing());
  });
  file_->addSeparator();
  file_->addAction(QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), window, [window] {
    if (window->mayCloseWhileRecording()) window->close();
  });
}

void AppMenus::buildDevice() {
  device_ = bar_->addMenu(QStringLiteral("Device"));
  DeviceController* controller = &sim_.controller();
  device_->addAction(QStringLiteral("&Power Cycle"), controller, &DeviceController::powerCycle);
  QAction* auto_off = device_->addAction(QStringLiteral("&Auto-off After 10 Idle Minutes"));
  auto_off->setCheckable(true);
  auto_off->setChecked(controller->autoOffAllowed());
  auto_off->setToolTip(QStringLiteral("Off keeps the question away until the program ends (for demonstrations)"));
  connect(auto_off, &QAction::toggled, controller, &DeviceController::setAutoOffAllowed);
  // Pause and step, as in emulators; Tab held on the device runs it fast.
  QAction* pause = device_->addAction(QStringLiteral("Pa&use"));
  pause->setObjectName(QStringLiteral("PauseAction"));
  pause->setCheckable(true);
  pause->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  pause->setShortcutContext(Qt::ApplicationShortcut);
  connect(pause, &QAction::toggled, controller, &DeviceController::setPaused);
  connect(controller, &DeviceController::pausedChanged, pause, &QAction::setChecked);
  QAction* step = device_->addAction(QStringLiteral("Step One &Tick"), QKeySequence(Qt::CTRL | Qt::Key_N), controller,
                                     &DeviceController::stepOneTick);
  step->setShortcutContext(Qt::ApplicationShortcut);
  connect(device_, &QMenu::aboutToShow, step, [step, controller] { step->setEnabled(controller->paused()); });
  speed_place_ = device_->addSeparator();
  speed_place_->setObjectName(QStringLiteral("SpeedPlace"));
  sim_.deviceWindow().addSpeedMenu(*device_);
  device_->addAction(QStringLiteral("&Reset to a Fresh Image..."), this, &AppMenus::askResetImage);
}

void AppMenus::buildView() {
  view_ = bar_->addMenu(QStringLiteral("View"));
  view_->addAction(QStringLiteral("&Print Output"), this, [this] { reopen(&sim_.printWindow()); });
  view_->addAction(QStringLiteral("Label &Material Sizes"), this, [this] { reopen(&sim_.mediaPanel()); });
  view_->addAction(QStringLiteral("Serial &Comms..."), &sim_.serialWindow(), &SerialWindow::openWindow);
  view_->addSeparator();
  // The device picture's size, in a menu of its own.
  QMenu* size_menu = view_->addMenu(QStringLiteral("Device &Size"));
  size_menu->setObjectName(QStringLiteral("DeviceSizeMenu"));
  sizes_ = new QActionGroup(this);
  const std::pair<const char*, qreal> sizes[] = {{"&1x", 1}, {"1.&5x", 1.5}, {"&2x", 2}, {"&Fit Screen", kFitScreen}};
  for (auto [name, choice] : sizes) {
    QAction* a = size_menu->addAction(QString::fromLatin1(name));
    a->setCheckable(true);
    a->setData(choice);
    a->setChecked(choice == 1);
    sizes_->addAction(a);
    connect(a, &QAction::triggered, this, [this, choice] { chooseSize(choice); });
  }
  view_->addAction(QStringLiteral("Calibrate &Real Size..."), &sim_.printWindow(), &PrintWindow::calibrateRealSize);
  view_->addSeparator();
  view_->addAction(QStringLiteral("&Keyboard Map..."), this, [this] { keyboard_map::show(&sim_.deviceWindow()); });
}

void AppMenus::buildHelp() {
  help_ = bar_->addMenu(QStringLiteral("Help"));
  help_->addAction(QStringLiteral("&User Guide"), this, [this] { user_guide::show(&sim_.deviceWindow()); });
  help_->addAction(QStringLiteral("&Keyboard Map..."), QKeySequence(Qt::CTRL | Qt::Key_K), this,
                   [this] { keyboard_map::show(&sim_.deviceWindow()); });
  help_->addAction(QStringLiteral("&About KLX80 Label Printer Demo..."), this, &AppMenus::about);
}

void AppMenus::chooseSize(qreal choice) {
  size_choice_ = choice;
  for (QAction* a : sizes_->actions()) a->setChecked(a->data().toReal() == choice);
  DeviceWindow& window = sim_.deviceWindow();
  // A size larger than the screen is drawn at the largest that fits.
  window.setScale(choice == kFitScreen ? window.fitScale() : qMin(choice, window.fitScale()));
  if (window.isVisible()) keep_on_screen(&window);
}

bool AppMenus::playScript(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    tell(QStringLiteral("The key script %1 cannot be read: %2").arg(path, file.errorString()), true);
    return false;
  }
  std::string error;
  if (player_->play(file.readAll().toStdString(), loop_->isChecked(), error, path.toLocal8Bit().toStdString()))
    return true;
  tell(QStringLiteral("The key script %1 was not played: %2").arg(path, QString::fromStdString(error)), true);
  return false;
}

void AppMenus::setLoopPlayback(bool on) { loop_->setChecked(on); }

void AppMenus::askPlayScript() {
  const QString start = QFileInfo(sim_.controller().imagePath()).absolutePath();
  const QString path = QFileDialog::getOpenFileName(&sim_.deviceWindow(), QStringLiteral("Play Key Script"), start,
                                                    QStringLiteral("Key scripts (*.txt);;All files (*)"));
  if (!path.isEmpty()) playScript(path);
}

Screenshot AppMenus::screenshot() {
  DeviceWindow& window = sim_.deviceWindow();
  const Screenshot shot = take_screenshot(window, QFileInfo(sim_.controller().imagePath()).absolutePath());
  if (!shot.error.isEmpty()) {
    tell(shot.error, true);
  } else {
    std::fprintf(stderr, "klx80: screenshot %s\n", shot.device.toLocal8Bit().constData());
    QToolTip::showText(window.mapToGlobal(QPoint(8, 8)), QStringLiteral("Saved %1").arg(shot.device), &window);
  }
  return shot;
}

void AppMenus::tell(const QString& text, bool problem) {
  QMessageBox box(problem ? QMessageBox::Warning : QMessageBox::Information, DeviceWindow::programName(), text,
                  QMessageBox::Ok, &sim_.deviceWindow());
  box.exec();
}

bool AppMenus::openImage(const QString& path) {
  // One program per image: the program's lock moves with the device (the
  // controller takes it on the new image as the device starts there).
  ImageLock* held = sim_.imageLock();
  if (held && !held->covers(path.toStdString())) {
    ImageLock probe;
    if (probe.acquire(path.toStdString(), ImageLock::Mode::Exclusive) == ImageLock::Result::InUse) {
      tell(QStringLiteral("The flash image was not opened: %1 is open in another KLX80 program.").arg(path), true);
      return false;
    }
  }
  // A read-only run was for an image in use; the one opened now is the user's own.
  const bool read_only = sim_.controller().readOnly();
  sim_.controller().setReadOnly(false);
  QString error;
  if (sim_.controller().openImage(path, error)) {
    sim_.deviceWindow().setReadOnly(sim_.controller().readOnly());
    return true;
  }
  sim_.controller().setReadOnly(read_only);
  tell(QStringLiteral("The flash image was not opened: %1").arg(error), true);
  return false;
}

void AppMenus::askOpenImage() {
  const QString start = QFileInfo(sim_.controller().imagePath()).absolutePath();
  const QString path = QFileDialog::getOpenFileName(&sim_.deviceWindow(), QStringLiteral("Open Flash Image"), start,
                                                    QStringLiteral("Flash images (*.hex);;All files (*)"));
  if (!path.isEmpty()) openImage(path);
}

bool AppMenus::resetImage() {
  QString kept, error;
  // The old file moves aside with the lock on it; the device, started on the
  // fresh one, takes the lock there.
  const bool done = sim_.controller().resetToFreshImage(fresh_image_, kept, error);
  if (!done)
    tell(QStringLiteral("The image was not reset: %1").arg(error), true);
  else if (!kept.isEmpty())
    tell(QStringLiteral("The device starts on a fresh image. Your old image is kept as %1.").arg(kept), false);
  return done;
}

void AppMenus::askResetImage() {
  const QString path = sim_.controller().imagePath();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Reset to a Fresh Image"),
                  QStringLiteral("Start the device on a fresh flash image?\n\nThe labels, files and settings in %1 "
                                 "are kept in a backup file beside it (%1.bak); the device is turned off and on.")
                      .arg(path),
                  QMessageBox::Yes | QMessageBox::No, &sim_.deviceWindow());
  box.setDefaultButton(QMessageBox::No);
  if (box.exec() == QMessageBox::Yes) resetImage();
}

void AppMenus::about() {
  QMessageBox box(QMessageBox::Information, QStringLiteral("About %1").arg(DeviceWindow::programName()),
                  QStringLiteral("<p><b>%1</b></p><p>The KLX80 label printer simulator,<br>running the device's own "
                                 "firmware.</p><p>Firmware version %2</p><p>Flash image: %3</p><p>Qt %4</p>")
                      .arg(DeviceWindow::programName(), DeviceController::firmwareVersion(),
                           sim_.controller().imagePath().toHtmlEscaped(), QString::fromLatin1(qVersion())),
                  QMessageBox::Ok, &sim_.deviceWindow());
  box.setObjectName(QStringLiteral("AboutBox"));
  // Wide enough for its title on the window manager's title bar.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(380, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
  box.exec();
}
