#include "host/qt/simulator.h"

#include <QApplication>
#include <QRadioButton>

#include "host/tape_history.h"
#include "widgets/dial.h"

void apply_window_font() {
  QFont font = QApplication::font();
  font.setPixelSize(11);
  QApplication::setFont(font);
}

Simulator::Simulator()
    : controller_(std::make_unique<DeviceController>()),
      device_(std::make_unique<DeviceWindow>(controller_.get())),
      print_(std::make_unique<PrintWindow>(controller_.get())),
      media_(std::make_unique<MediaPanel>(controller_.get())),
      serial_(std::make_unique<SerialWindow>(controller_.get())) {
  // The desktop program keeps every label printed since it started (bounded).
  tape_history_enable(true);
  QObject::connect(device_.get(), &DeviceWindow::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  QObject::connect(device_.get(), &DeviceWindow::serialCommsRequested, serial_.get(), &SerialWindow::openWindow);
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
  device_->show();  // starts the firmware
  device_->raise();
  device_->activateWindow();
}
