#include "host/qt/serial_port.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <future>

namespace {
// Opening a device node never blocks for long; a thread that has not answered
// by then did not start.
constexpr auto kOpenAnswerBound = std::chrono::seconds(5);
// Program end and Disconnect wait this long for the I/O thread.
constexpr int kThreadEndBoundMs = 2000;
// The modem lines have no change signal in the port module; they are polled.
constexpr int kLinePollMs = 20;
// Bytes the port module may hold unread; beyond it the device itself holds
// them back (flow on the line, nothing dropped).
constexpr qint64 kReadBufferBytes = 64 * 1024;

QString in_words(const QSerialPort& port) {
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
      return QStringLiteral("no such port");
    case QSerialPort::PermissionError:
      // The port module reports a port locked by another program this way too.
      if (port.errorString().contains(QStringLiteral("lock"), Qt::CaseInsensitive))
        return QStringLiteral("in use by another program");
      return QStringLiteral("permission denied");
    case QSerialPort::OpenError:
      return QStringLiteral("already open");
    case QSerialPort::UnsupportedOperationError:
      return QStringLiteral("setting not supported by the device");
    default:
      return port.errorString().toLower();
  }
}

bool is_line_failure(QSerialPort::SerialPortError error) {
  return error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
}
}  // namespace

struct SerialSettings {
  QString name;
  qint32 baud;
  int parity;
  int byte_size;
  bool events;
};

// The I/O thread: opens the port, answers open() with the result code, then
// runs its event loop until asked to stop or the line fails.
class SerialIoThread : public QThread {
 public:
  SerialIoThread(SerialPort& owner, SerialSettings settings) : owner_(owner), settings_(std::move(settings)) {}

  std::promise<int> opened;
  std::promise<QString> failure;

  // Requests posted to the inbox run here, on the I/O thread.
  void read_request();
  void write_request(const QByteArray& bytes);

 protected:
  void run() override;

 private:
  int open_port(QSerialPort& port, QString& why);
  void try_read();
  void poll_lines();

  SerialPort& owner_;
  const SerialSettings settings_;
  // I/O thread only:
  QSerialPort* port_ = nullptr;
  bool read_pending_ = false;
  qint64 write_left_ = 0;
  QSerialPort::PinoutSignals lines_;
};

int SerialIoThread::open_port(QSerialPort& port, QString& why) {
  port.setPortName(settings_.name);
  if (!port.open(QIODevice::ReadWrite)) {
    why = in_words(port);
    return kSerialOpenFailed;
  }
  port.setReadBufferSize(kReadBufferBytes);
  const QSerialPort::Parity parity = settings_.parity == 1   ? QSerialPort::OddParity
                                     : settings_.parity == 2 ? QSerialPort::EvenParity
                                                             : QSerialPort::NoParity;
  bool ok = port.setBaudRate(settings_.baud) &&
            port.setDataBits(static_cast<QSerialPort::DataBits>(settings_.byte_size)) && port.setParity(parity) &&
            port.setStopBits(QSerialPort::OneStop) && port.setFlowControl(QSerialPort::NoFlowControl);
  if (!ok) {
    why = in_words(port);
    port.close();
    return kSerialSettingsFailed;
  }
  // DTR and RTS held on; a device without modem lines (a pseudo-terminal)
  // refuses them, which is no reason to refuse the port.
  port.setDataTerminalReady(true);
  port.setRequestToSend(true);
  port.clearError();
  return kSerialOk;
}

void SerialIoThread::run() {
  QSerialPort port;
  QString why;
  const int result = open_port(port, why);
  failure.set_value(why);
  if (result != kSerialOk) {
    opened.set_value(result);
    return;
  }
  port_ = &port;
  read_pending_ = false;
  write_left_ = 0;
  owner_.running_ = true;
  opened.set_value(kSerialOk);

  QObject::connect(&port, &QSerialPort::readyRead, &port, [this] { try_read(); });
  QObject::connect(&port, &QSerialPort::bytesWritten, &port, [this](qint64 count) {
    write_left_ -= count;
    if (write_left_ <= 0 && port_->bytesToWrite() == 0) {
      write_left_ = 0;
      owner_.notify(SerialNote::WriteDone);
    }
  });
  // A failed read or write (the device vanished) ends the thread.
  QObject::connect(&port, &QSerialPort::errorOccurred, &port, [this](QSerialPort::SerialPortError error) {
    if (is_line_failure(error)) exit(1);
  });
  QTimer line_poll;
  if (settings_.events) {
    lines_ = port.pinoutSignals();
    QObject::connect(&line_poll, &QTimer::timeout, &port, [this, &line_poll] {
      poll_lines();
      if (port_->error() == QSerialPort::UnsupportedOperationError) {
        port_->clearError();  // no modem lines on this device: nothing to watch
        line_poll.stop();
      }
    });
    line_poll.start(kLinePollMs);
  }

  owner_.notify(SerialNote::ThreadStarted);
  read_request();
  exec();

  line_poll.stop();
  port_ = nullptr;
  owner_.running_ = false;
  port.close();
  owner_.notify(SerialNote::PortClosed);
}

void SerialIoThread::read_request() {
  if (!port_ || read_pending_) return;
  read_pending_ = true;
  try_read();
}

void SerialIoThread::try_read() {
  if (!port_ || !read_pending_ || port_->bytesAvailable() <= 0) return;
  QByteArray data = port_->read(owner_.read_size_.load());
  read_pending_ = false;
  if (!data.isEmpty()) owner_.notify(SerialNote::DataRead, data);
}

void SerialIoThread::write_request(const QByteArray& bytes) {
  if (!port_ || bytes.isEmpty()) return;
  qint64 taken = port_->write(bytes);
  if (taken < 0) {
    exit(1);
    return;
  }
  write_left_ += taken;
}

void SerialIoThread::poll_lines() {
  const QSerialPort::PinoutSignals now = port_->pinoutSignals();
  const QSerialPort::PinoutSignals changed = now ^ lines_;
  lines_ = now;
  if ((changed & QSerialPort::RingIndicatorSignal) && (now & QSerialPort::RingIndicatorSignal))
    owner_.notify(SerialNote::Ring);
  if (changed & QSerialPort::DataCarrierDetectSignal)
    owner_.notify(now & QSerialPort::DataCarrierDetectSignal ? SerialNote::CarrierOn : SerialNote::CarrierOff);
}

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() { close(); }

void SerialPort::notify(SerialNote note, const QByteArray& data) const {
  if (notify_) notify_(note, data);
}

int SerialPort::open(const std::optional<QString>& name, qint32 baud, int parity, int byte_size, bool events) {
  close();
  failure_.clear();
  if (!name) {
    failure_ = QStringLiteral("no port name given");
    return kSerialNoName;
  }
  // The whole name is kept: device paths are longer than ten characters.
  name_ = *name;
  if (name->isEmpty()) {
    failure_ = QStringLiteral("no port name given");
    return kSerialOpenFailed;  // as opening the empty name fails
  }
  auto* inbox = new QObject;
  auto* thread = new SerialIoThread(*this, SerialSettings{*name, baud, parity, byte_size, events});
  inbox->moveToThread(thread);
  std::future<int> opened = thread->opened.get_future();
  std::future<QString> failure = thread->failure.get_future();
  thread_ = thread;
  inbox_ = inbox;
  thread->start();
  if (opened.wait_for(kOpenAnswerBound) != std::future_status::ready) {
    // Left alone rather than freed under its feet.
    failure_ = QStringLiteral("the port thread did not start");
    thread_ = nullptr;
    inbox_ = nullptr;
    return kSerialEventsFailed;
  }
  const int result = opened.get();
  failure_ = failure.get();
  if (result != kSerialOk) close();
  return result;
}

bool SerialPort::close() {
  SerialIoThread* thread = thread_;
  if (!thread) return true;
  running_ = false;
  thread->quit();
  const bool ended = thread->wait(QDeadlineTimer(kThreadEndBoundMs));
  QObject* inbox = inbox_;
  thread_ = nullptr;
  inbox_ = nullptr;
  if (ended) {
    delete inbox;
    delete thread;
  }  // else the thread is forgotten: it ends on its own, its objects are left to it
  return ended;
}

void SerialPort::requestRead() {
  SerialIoThread* thread = thread_;
  if (QObject* inbox = inbox_; inbox && thread)
    QMetaObject::invokeMethod(
        inbox, [thread] { thread->read_request(); }, Qt::QueuedConnection);
}

void SerialPort::requestWrite(const QByteArray& bytes) {
  SerialIoThread* thread = thread_;
  if (QObject* inbox = inbox_; inbox && thread)
    QMetaObject::invokeMethod(
        inbox, [thread, bytes] { thread->write_request(bytes); }, Qt::QueuedConnection);
}
