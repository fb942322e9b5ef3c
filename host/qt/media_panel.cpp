#include "host/qt/media_panel.h"

#include <QRadioButton>

#include "host/qt/device_controller.h"
#include "widgets/dial.h"

namespace {
struct Material {
  int id;
  const char* name;
  const char* caption;
  int top;
  int tab_order;
};

// Ids follow neither the order on screen nor the tab order.
constexpr Material kMaterials[] = {
    {0, "NoCartridgeRadioBtn", "No Cartridge", 272, 11},
    {1, "m3_8RadioBtn", "3/8\" Nylon, Vinyl, or Polyester Labels", 56, 1},
    {2, "m1_2RadioBtn", "1/2\" Nylon, Vinyl, or Polyester Labels", 32, 2},
    {3, "m3_4RadioBtn", "3/4\" Nylon, Vinyl, or Polyester Labels ", 8, 0},
    {4, "sLam750RadioBtn", "0.75\" Self-Lam Labels", 80, 3},
    {5, "slam1250RadioBtn", "1.25\" Self-Lam Labels", 128, 4},
    {6, "slam1000RadioBtn", "1.00\" Self-Lam Labels", 104, 5},
    {7, "slam1500RadioBtn", "1.50\" Self-Lam Labels", 152, 6},
    {8, "tubalon125RadioBtn", "0.125\" Tubalon Labels", 176, 7},
    {9, "tubalon187RadioBtn", "0.187\" Tubalon Labels", 200, 8},
    {10, "tubalon250RadioBtn", "0.250\" Tubalon Labels", 224, 9},
    {11, "tubalon375RadioBtn", "0.375\" Tubalon Labels", 248, 10},
};
constexpr QRect kDialPlace{192, 219, 105, 137};
}  // namespace

MediaPanel::MediaPanel(DeviceController* controller, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      own_controller_(controller ? nullptr : DeviceController::idle()),
      controller_(controller ? controller : own_controller_.get()) {
  setObjectName(QStringLiteral("CartridgeFrm"));
  setWindowTitle(QStringLiteral("KLX80 Label Material Sizes"));
  setFixedSize(297, 357);
  move(442, 281);

  controller_->resetCartridgePanel();
  QWidget* by_tab_order[12] = {};
  for (const Material& m : kMaterials) {
    auto* radio = new QRadioButton(QString::fromUtf8(m.caption), this);
    radio->setObjectName(QString::fromLatin1(m.name));
    // Buttons beside the dial stop short of it.
    int width = m.top + 17 > kDialPlace.top() ? kDialPlace.left() - 24 : 297 - 24 - 2;
    radio->setGeometry(24, m.top, width, 17);
    radio->setChecked(m.id == 3);
    // A click leaves the arrows with the device; Tab reaches the buttons.
    radio->setFocusPolicy(Qt::TabFocus);
    connect(radio, &QRadioButton::clicked, this, [this, id = m.id] { controller_->selectCartridge(uint8_t(id)); });
    radio_[m.id] = radio;
    by_tab_order[m.tab_order] = radio;
  }

  dial_ = new Dial(this);
  dial_->setObjectName(QStringLiteral("BatteryDial"));
  dial_->setGeometry(kDialPlace);
  dial_->setName(QStringLiteral("Batt Volts"));
  dial_->setUnit(QStringLiteral("V"));
  dial_->setRange(6, 9);
  dial_->setValueFormat(QStringLiteral("##0.#"));
  dial_->setScale(3, 5);
  dial_->setValue(9);
  controller_->setBatteryVolts(dial_->value());
  connect(dial_, &Dial::valueChanged, this, [this](double volts) {
    controller_->setBattery(volts);  // the battery symbol follows the dial at once
    emit batteryChanged();
  });

  for (int i = 0; i + 1 < 12; ++i) setTabOrder(by_tab_order[i], by_tab_order[i + 1]);
  setTabOrder(by_tab_order[11], dial_);

  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, controller_, &DeviceController::cartridgeTimerStep);
  timer_.start();
}

MediaPanel::~MediaPanel() = default;
