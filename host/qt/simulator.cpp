#include "host/qt/simulator.h"

#include <QApplication>
#include <QRadioButton>

#include "widgets/dial.h"

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
      serial_(std::make_unique<SerialWindow>(controller_.get())) {
  QObject::connect(main_.get(), &MainWindow::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  QObject::connect(media_.get(), &MediaPanel::batteryChanged, controller_.get(), &DeviceController::checkLcd);
  QObject::connect(main_.get(), &MainWindow::serialCommsRequested, serial_.get(), &SerialWindow::openWindow);
  // Remote key scripts choose material and battery on the media panel, so it shows them.
  serial_->setPanelAction([media = media_.get()](const ScriptToken& token) {
    if (token.kind == ScriptToken::Cart)
      media->radioButton(int(token.value))->click();
    else
      media->batteryDial()->setValue(token.volts);
  });
}

Simulator::~Simulator() = default;

void Simulator::show() {
  print_->show();
  media_->show();
  main_->show();  // starts the firmware
  main_->raise();
  main_->activateWindow();
}
