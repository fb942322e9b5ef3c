#include "host/qt/serial_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "host/qt/device_controller.h"
#include "host/qt/serial_monitor.h"

namespace {
constexpr qint32 kBaud = 115200;
// Bytes one read may take: large enough that a flood costs few reads.
constexpr int kReadSize = 4096;
// A ring is a pulse on the line; its lamp stays lit long enough to be seen.
constexpr int kRingLampMs = 500;

QLabel* make_lamp(const QString& name, const QString& caption, QWidget* parent) {
  auto* lamp = new QLabel(caption, parent);
  lamp->setObjectName(name);
  lamp->setAlignment(Qt::AlignCenter);
  lamp->setMinimumWidth(56);
  return lamp;
}
}  // namespace

SerialWindow::SerialWindow(DeviceController* controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller) {
  setObjectName(QStringLiteral("SerialFrm"));
  setWindowTitle(QStringLiteral("Serial Comms"));
  move(37, 727);
  resize(660, 400);  // a monitor line (time, 16 bytes in hex and as text) fits

  ports_ = new QComboBox(this);
  ports_->setObjectName(QStringLiteral("PortComboBox"));
  ports_->setEditable(true);
  // The list is the system's ports: a typed name is neither kept in it nor
  // completed to an earlier (perhaps mistyped) one.
  ports_->setInsertPolicy(QComboBox::NoInsert);
  ports_->setCompleter(nullptr);
  ports_->setMinimumWidth(200);
  ports_->lineEdit()->setPlaceholderText(QStringLiteral("No ComPort"));
  ports_->setToolTip(QStringLiteral("A port of this computer, or a typed path such as /dev/pts/3"));
  connect_button_ = new QPushButton(QStringLiteral("Connect"), this);
  connect_button_->setObjectName(QStringLiteral("ConnectBtn"));
  disconnect_button_ = new QPushButton(QStringLiteral("Disconnect"), this);
  disconnect_button_->setObjectName(QStringLiteral("DisconnectBtn"));
  auto* settings = new QLabel(QStringLiteral("Baud Rate 115200, 8N1"), this);
  settings->setObjectName(QStringLiteral("Label1"));
  ring_lamp_ = make_lamp(QStringLiteral("RingLamp"), QStringLiteral("Ring"), this);
  carrier_lamp_ = make_lamp(QStringLiteral("CarrierLamp"), QStringLiteral("Carrier"), this);
  accept_scripts_ = new QCheckBox(QStringLiteral("Accept key scripts"), this);
  accept_scripts_->setObjectName(QStringLiteral("AcceptScriptsBox"));
  accept_scripts_->setToolTip(
      QStringLiteral("Each line received is typed on the device as key tokens (TEXT:HELLO PRINT CUT);\n"
                     "STATE? answers the device state as one JSON line"));
  monitor_ = new SerialMonitor(this);
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("CountsLabel"));
  send_edit_ = new QLineEdit(this);
  send_edit_->setObjectName(QStringLiteral("SendEdit"));
  send_edit_->setPlaceholderText(QStringLiteral("Text to send (a line end is added)"));
  send_button_ = new QPushButton(QStringLiteral("Send"), this);
  send_button_->setObjectName(QStringLiteral("SendBtn"));
  status_ = new QStatusBar(this);
  status_->setObjectName(QStringLiteral("StatusBar1"));
  status_->setSizeGripEnabled(false);

  auto* port_row = new QHBoxLayout;
  port_row->addWidget(new QLabel(QStringLiteral("Port"), this));
  port_row->addWidget(ports_, 1);
  port_row->addWidget(connect_button_);
  port_row->addWidget(disconnect_button_);
  auto* line_row = new QHBoxLayout;
  line_row->addWidget(settings);
  line_row->addStretch(1);
  line_row->addWidget(ring_lamp_);
  line_row->addWidget(carrier_lamp_);
  line_row->addWidget(accept_scripts_);
  auto* send_row = new QHBoxLayout;
  send_row->addWidget(send_edit_, 1);
  send_row->addWidget(send_button_);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 0);
  column->addLayout(port_row);
  column->addLayout(line_row);
  column->addWidget(monitor_, 1);
  column->addWidget(counts_);
  column->addLayout(send_row);
  column->addWidget(status_);

  remote_ = std::make_unique<RemoteControl>(
      [this](const std::string& line) { sendBytes(QByteArray::fromStdString(line + "\n")); },
      [this](const ScriptToken& token) {
        if (panel_action_) panel_action_(token);
      });
  port_.setReadSize(kReadSize);
  // Runs on the I/O thread: asks for the next read at once, and hands
  // everything else to this window's thread.
  port_.setNotify([this](SerialNote note, const QByteArray& data) {
    if (note == SerialNote::DataRead) port_.requestRead();
    QMetaObject::invokeMethod(
        this, [this, note, data] { onNotify(note, data); }, Qt::QueuedConnection);
  });

  connect(connect_button_, &QPushButton::clicked, this, [this] { connectTo(ports_->currentText()); });
  connect(disconnect_button_, &QPushButton::clicked, this, &SerialWindow::disconnectPort);
  connect(ports_, &QComboBox::editTextChanged, this, &SerialWindow::updateControls);
  connect(accept_scripts_, &QCheckBox::toggled, this, &SerialWindow::setRemoteControl);
  connect(send_button_, &QPushButton::clicked, this, [this] { sendLine(send_edit_->text()); });
  connect(send_edit_, &QLineEdit::returnPressed, this, [this] { sendLine(send_edit_->text()); });
  connect(monitor_, &SerialMonitor::countsChanged, this, [this](qint64 received, qint64 sent) {
    counts_->setText(QStringLiteral("Received %1 bytes, sent %2 bytes").arg(received).arg(sent));
  });
  if (controller_)
    connect(controller_, &DeviceController::ticked, this, [this] {
      if (remote_on_) remote_->after_tick();
    });
  counts_->setText(QStringLiteral("Received 0 bytes, sent 0 bytes"));
  setLamp(ring_lamp_, false);
  setLamp(carrier_lamp_, false);
  updateControls();
}

SerialWindow::~SerialWindow() {
  // The I/O thread calls back into this window; it ends first.
  port_.close();
}

void SerialWindow::openWindow() {
  if (isMinimized())
    showNormal();
  else
    show();
  raise();
  activateWindow();
}

void SerialWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refreshPorts();
}

void SerialWindow::refreshPorts() {
  if (connected()) return;
  const QString typed = ports_->currentText();
  ports_->blockSignals(true);
  ports_->clear();
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) ports_->addItem(info.systemLocation());
  ports_->setEditText(typed.isEmpty() && ports_->count() > 0 ? ports_->itemText(0) : typed);
  ports_->blockSignals(false);
  updateControls();
}

bool SerialWindow::connectTo(const QString& name, bool remote) {
  if (ports_->currentText() != name) ports_->setEditText(name);
  const int result = port_.open(name, kBaud, 0, 8, true);
  const QString shown = name.isEmpty() ? QStringLiteral("(no name)") : name;
  switch (result) {
    case kSerialOk:
      setStatus(QStringLiteral("Connected to %1 at %2 8N1").arg(name).arg(kBaud));
      break;
    case kSerialOpenFailed:
      setStatus(QStringLiteral("Cannot open %1: %2").arg(shown, port_.failure()));
      break;
    case kSerialSettingsFailed:
      setStatus(QStringLiteral("Cannot set %1 to %2 8N1: %3").arg(shown).arg(kBaud).arg(port_.failure()));
      break;
    default:
      setStatus(QStringLiteral("Cannot use %1: %2").arg(shown, port_.failure()));
      break;
  }
  setLamp(ring_lamp_, false);
  setLamp(carrier_lamp_, false);
  if (result == kSerialOk && remote) accept_scripts_->setChecked(true);
  updateControls();
  return result == kSerialOk;
}

void SerialWindow::disconnectPort() {
  const bool ended = port_.close();
  onClosed();
  if (!ended) setStatus(QStringLiteral("Port closed; its thread did not end within 2 s"));
}

void SerialWindow::setRemoteControl(bool on) {
  if (accept_scripts_->isChecked() != on) accept_scripts_->setChecked(on);  // comes back here
  if (remote_on_ == on) return;
  remote_on_ = on;
  remote_->clear();
}

void SerialWindow::sendLine(const QString& text) {
  if (!connected()) return;
  sendBytes(text.toUtf8() + '\n');
  send_edit_->clear();
}

void SerialWindow::sendBytes(const QByteArray& bytes) {
  if (!connected()) return;
  monitor_->addSent(bytes);
  port_.requestWrite(bytes);
}

void SerialWindow::onNotify(SerialNote note, const QByteArray& data) {
  switch (note) {
    case SerialNote::DataRead:
      onReceived(data);
      break;
    case SerialNote::PortClosed:
      if (!connected()) onClosed();  // else it is the news of an earlier connection
      break;
    case SerialNote::Ring:
      setLamp(ring_lamp_, true);
      QTimer::singleShot(kRingLampMs, this, [this] { setLamp(ring_lamp_, false); });
      break;
    case SerialNote::CarrierOn:
    case SerialNote::CarrierOff:
      setLamp(carrier_lamp_, note == SerialNote::CarrierOn);
      break;
    case SerialNote::ThreadStarted:
    case SerialNote::WriteDone:
      break;
  }
}

void SerialWindow::onReceived(const QByteArray& data) {
  monitor_->addReceived(data);
  if (remote_on_) remote_->receive(std::string_view(data.constData(), size_t(data.size())));
}

void SerialWindow::onClosed() {
  // Disconnect and the thread's own end both come here; say it once.
  if (statusText() != QStringLiteral("Port closed")) {
    setStatus(QStringLiteral("Port closed"));
    emit portClosed();
  }
  setLamp(ring_lamp_, false);
  setLamp(carrier_lamp_, false);
  remote_->clear();
  updateControls();
}

QString SerialWindow::statusText() const { return status_->currentMessage(); }

void SerialWindow::setStatus(const QString& text) {
  status_->showMessage(text);
  emit statusChanged(text);
}

void SerialWindow::updateControls() {
  const bool open = connected();
  ports_->setEnabled(!open);
  connect_button_->setEnabled(!open && !ports_->currentText().trimmed().isEmpty());
  disconnect_button_->setEnabled(open);
  send_edit_->setEnabled(open);
  send_button_->setEnabled(open);
}

void SerialWindow::setLamp(QLabel* lamp, bool on) {
  lamp->setProperty("lit", on);
  lamp->setStyleSheet(on ? QStringLiteral("background: #20d020; color: black; border: 1px solid #106010;")
                         : QStringLiteral("background: #304030; color: #a0a0a0; border: 1px solid #202020;"));
}
