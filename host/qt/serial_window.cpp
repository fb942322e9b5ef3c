#include "host/qt/serial_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

SerialWindow::SerialWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("SerialFrm"));
  setWindowTitle(QStringLiteral("Serial Comms"));
  // Outer size 367 x 191 with a normal frame: a 359 x 157 client area.
  setFixedSize(359, 157);
  move(37, 727);

  auto* ports = new QComboBox(this);
  ports->setObjectName(QStringLiteral("PortComboBox"));
  ports->setEditable(true);
  ports->setEditText(QStringLiteral("No ComPort"));
  ports->setGeometry(80, 40, 97, 21);

  auto* connect_button = new QPushButton(QStringLiteral("Connect"), this);
  connect_button->setObjectName(QStringLiteral("ConnectBtn"));
  connect_button->setGeometry(232, 24, 89, 33);
  connect_button->setEnabled(false);

  auto* disconnect_button = new QPushButton(QStringLiteral("Disconnect"), this);
  disconnect_button->setObjectName(QStringLiteral("DisconnectBtn"));
  disconnect_button->setGeometry(232, 80, 89, 33);
  disconnect_button->setEnabled(false);

  auto* label = new QLabel(QStringLiteral("Baud Rate 115200, 8N1"), this);
  label->setObjectName(QStringLiteral("Label1"));
  label->move(80, 88);
  label->adjustSize();

  auto* status = new QStatusBar(this);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setGeometry(0, 138, 359, 19);
  status->setSizeGripEnabled(false);
}
