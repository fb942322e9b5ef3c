// The "Serial Comms" window: a PC serial port at 115200 baud 8N1. Chooses a
// port from the system's list or a typed path (a pseudo-terminal), connects
// and disconnects it, says in its status bar what happened, shows the bytes
// both ways in a monitor with the modem lines as lamps, sends a line of text,
// and in its remote-control mode ("Accept key scripts") lets the other end
// type on the running device and read its state back.
#pragma once
#include <QWidget>
#include <functional>
#include <memory>

#include "host/qt/serial_port.h"
#include "host/session/remote_control.h"

class DeviceController;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class SerialMonitor;

class SerialWindow : public QWidget {
  Q_OBJECT
 public:
  // With a controller, remote key scripts are fed to its device at its tick.
  explicit SerialWindow(DeviceController* controller = nullptr, QWidget* parent = nullptr);
  ~SerialWindow() override;

  // How CART: and BATT: reach the media panel in the remote-control mode.
  void setPanelAction(RemoteControl::PanelAction action) { panel_action_ = std::move(action); }

  bool connected() const { return port_.running(); }
  QString statusText() const;
  SerialMonitor* monitor() const { return monitor_; }
  RemoteControl& remoteControl() { return *remote_; }

 public slots:
  // Shows the window in front (the port list is refreshed on showing).
  void openWindow();
  // Connects to a port by name, as Connect does, optionally with the
  // remote-control mode on. True when the port opened.
  bool connectTo(const QString& name, bool remote = false);
  void disconnectPort();
  void setRemoteControl(bool on);
  // Sends a line of text (a line end is added) and shows it in the monitor.
  void sendLine(const QString& text);
  void refreshPorts();

 signals:
  // The status bar's text changed (for --serial, which echoes it).
  void statusChanged(const QString& text);
  // The port closed: by Disconnect, or because the device went away.
  void portClosed();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void onNotify(SerialNote note, const QByteArray& data);
  void onReceived(const QByteArray& data);
  void onClosed();
  void sendBytes(const QByteArray& bytes);
  void setStatus(const QString& text);
  void updateControls();
  void setLamp(QLabel* lamp, bool on);

  SerialPort port_;
  DeviceController* controller_;
  std::unique_ptr<RemoteControl> remote_;
  RemoteControl::PanelAction panel_action_;
  bool remote_on_ = false;
  QComboBox* ports_;
  QPushButton* connect_button_;
  QPushButton* disconnect_button_;
  QCheckBox* accept_scripts_;
  QLabel* ring_lamp_;
  QLabel* carrier_lamp_;
  QLabel* counts_;
  SerialMonitor* monitor_;
  QLineEdit* send_edit_;
  QPushButton* send_button_;
  QStatusBar* status_;
};
