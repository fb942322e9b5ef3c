// The PC serial port object behind the "Serial Comms" window: opens a port at
// 115200 baud 8N1 (or what the caller asks), runs it on an I/O thread of its
// own and tells a callback what happened there (thread started, port closed,
// write done, data read, ring, carrier on, carrier off).
//
// Reads follow the request protocol of the port object: one read request
// gives one read of up to read-size bytes, completed as soon as at least one
// byte has come; the next read needs another request (a notification handler
// usually makes it). Modem line events (ring, carrier) are watched only when
// open() is asked to; a device without modem lines (a pseudo-terminal) simply
// never reports them.
#pragma once
#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

class QObject;
class SerialIoThread;

// Result codes of open(); any non-zero result leaves the port closed.
enum SerialResult : int {
  kSerialOk = 0,
  kSerialLineEventsFailed = 1,
  kSerialTimeoutsFailed = 2,
  kSerialSettingsFailed = 4,
  kSerialOpenFailed = 8,
  kSerialNoName = 16,
  kSerialEventsFailed = 32,
};

// Notification codes, in the port object's numbering.
enum class SerialNote : int {
  ThreadStarted = 0,
  PortClosed = 1,
  WriteDone = 2,
  DataRead = 3,
  Ring = 4,
  CarrierOn = 5,
  CarrierOff = 6,
};

class SerialPort {
 public:
  // Called on the I/O thread; data holds the bytes of a DataRead, else empty.
  using Notify = std::function<void(SerialNote note, const QByteArray& data)>;

  SerialPort();
  // Program end: waits up to 2 s for the I/O thread, then lets it go.
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Install before open(); the callback must outlive the I/O thread.
  void setNotify(Notify notify) { notify_ = std::move(notify); }
  // Bytes per read, 1 at creation.
  void setReadSize(int size) { read_size_ = size < 1 ? 1 : size; }

  // Closes a port still open, then opens `name` (no name at all: 16; the
  // empty name fails to open: 8). Parity mode 0 none, 1 odd, 2 even; one stop
  // bit, no flow control, DTR and RTS on, exclusive use. 0 starts the thread.
  int open(const std::optional<QString>& name, qint32 baud = 115200, int parity = 0, int byte_size = 8,
           bool events = false);
  // Asks the I/O thread to end and waits up to 2 s; true when it ended.
  bool close();

  bool running() const { return running_.load(); }
  QString name() const { return name_; }
  // What went wrong in the last open() that did not return 0, in words
  // ("permission denied", "no such port").
  QString failure() const { return failure_; }

  // From the thread that opens the port or from the notify callback: one
  // read request, and one write of the bytes given.
  void requestRead();
  void requestWrite(const QByteArray& bytes);

 private:
  friend class SerialIoThread;
  void notify(SerialNote note, const QByteArray& data = {}) const;

  Notify notify_;
  std::atomic<int> read_size_{1};
  std::atomic<bool> running_{false};
  QString name_, failure_;
  // Of the current or last opening; set before the thread starts, so that
  // the notify callback may make requests from the I/O thread.
  std::atomic<SerialIoThread*> thread_{nullptr};
  std::atomic<QObject*> inbox_{nullptr};  // lives on the I/O thread; takes the requests
};
