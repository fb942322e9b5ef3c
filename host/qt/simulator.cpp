#include "host/qt/simulator.h"

#include <QApplication>

void apply_window_font() {
  QFont font = QApplication::font();
  font.setPixelSize(11);
  QApplication::setFont(font);
}

Simulator::Simulator()
    : controller_(std::make_unique<DeviceController>()),
      main_(std::make_unique<MainWindow>(controller_.get())),
      print_(std::make_unique<PrintWindow>(controller_.get())),
      media_(std::make_unique<MediaPanel>()),
      serial_(std::make_unique<SerialWindow>()) {
  QObject::connect(main_.get(), &MainWindow::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  QObject::connect(media_.get(), &MediaPanel::batteryChanged, controller_.get(), &DeviceController::checkLcd);
}

Simulator::~Simulator() = default;

void Simulator::show() {
  print_->show();
  media_->show();
  main_->show();  // starts the firmware
  main_->raise();
  main_->activateWindow();
}
