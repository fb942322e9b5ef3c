#include "host/qt/simulator.h"

#include <QApplication>
#include <QRadioButton>
#include <QSettings>

#include "host/qt/app_menus.h"
#include "host/qt/image_rescue.h"
#include "host/qt/key_forwarder.h"
#include "host/qt/window_places.h"
#include "host/seam/tape_history.h"
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
  auto* forwarder = new KeyForwarder(device_.get(), device_.get());
  forwarder->watch(print_.get());
  forwarder->watch(media_.get());
  forwarder->watch(serial_.get());  // its send line keeps its own keys
  print_->keepClearOf(media_.get());  // a zoomed tape never covers the media panel
  menus_ = new AppMenus(*this, fresh_image_template());
  // Every window on the screen it opens on, whatever place it had.
  auto* keeper = new ScreenKeeper(device_.get());
  for (QWidget* w : {static_cast<QWidget*>(device_.get()), static_cast<QWidget*>(print_.get()),
                     static_cast<QWidget*>(media_.get()), static_cast<QWidget*>(serial_.get())})
    keeper->watch(w);
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


void Simulator::restorePlaces() {
  QSettings settings(QStringLiteral("klx80"), QStringLiteral("windows"));
  menus_->chooseSize(qBound(0.0, settings.value(QStringLiteral("deviceSize"), 1.0).toReal(), 2.0));
  for (QWidget* w : {static_cast<QWidget*>(device_.get()), static_cast<QWidget*>(print_.get()),
                     static_cast<QWidget*>(media_.get()), static_cast<QWidget*>(serial_.get())}) {
    QByteArray geometry = settings.value(w->objectName()).toByteArray();
    if (!geometry.isEmpty()) w->restoreGeometry(geometry);
  }
}

void Simulator::offsetPlaces(QPoint by) {
  for (QWidget* w : {static_cast<QWidget*>(device_.get()), static_cast<QWidget*>(print_.get()),
                     static_cast<QWidget*>(media_.get()), static_cast<QWidget*>(serial_.get())})
    w->move(w->pos() + by);
}

void Simulator::savePlaces() {
  QSettings settings(QStringLiteral("klx80"), QStringLiteral("windows"));
  settings.setValue(QStringLiteral("deviceSize"), menus_->sizeChoice());
  for (QWidget* w : {static_cast<QWidget*>(device_.get()), static_cast<QWidget*>(print_.get()),
                     static_cast<QWidget*>(media_.get()), static_cast<QWidget*>(serial_.get())})
    settings.setValue(w->objectName(), w->saveGeometry());
}
