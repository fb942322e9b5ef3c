// The serial link on a real pseudo-terminal pair made by socat: the port
// object's result codes, bytes both ways, close and reopen, the thread's end
// while a read waits, a port that vanishes, the remote-control mode on the
// running device, and a 1 MB flood into the window's monitor.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <mutex>

#include <sys/prctl.h>
#include <csignal>

#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/qt/serial_monitor.h"
#include "host/qt/serial_port.h"
#include "host/qt/serial_window.h"
#include "host/seam/spi_flash.h"

namespace {
// What one port object was told, collected on its I/O thread.
class Listener {
 public:
  explicit Listener(SerialPort& port) : port_(port) {
    port.setNotify([this](SerialNote note, const QByteArray& data) {
      std::lock_guard lock(mutex_);
      notes_.push_back(note);
      received_ += data;
      if (note == SerialNote::DataRead) port_.requestRead();
    });
  }
  // The port's last news (port closed) must not reach a listener that is gone.
  ~Listener() { port_.close(); }
  QByteArray received() {
    std::lock_guard lock(mutex_);
    return received_;
  }
  int count(SerialNote note) {
    std::lock_guard lock(mutex_);
    return int(std::count(notes_.begin(), notes_.end(), note));
  }
  void forget() {
    std::lock_guard lock(mutex_);
    received_.clear();
    notes_.clear();
  }

 private:
  SerialPort& port_;
  std::mutex mutex_;
  std::vector<SerialNote> notes_;
  QByteArray received_;
};
}  // namespace

class SerialTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QProcess socat_;
  QString a_, b_;  // the two ends of the pair

  // A fresh pair for every test, so that a test may close it under a port.
  void startPair() {
    a_ = dir_.path() + "/pty-a";
    b_ = dir_.path() + "/pty-b";
    QFile::remove(a_);
    QFile::remove(b_);
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    QVERIFY2(!socat.isEmpty(), "socat not found: scripts/setup installs it");
    // socat ends with this test program, also when the program crashes.
    socat_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    socat_.start(socat, {QStringLiteral("pty,raw,echo=0,link=") + a_, QStringLiteral("pty,raw,echo=0,link=") + b_});
    QVERIFY(socat_.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(a_) && QFile::exists(b_), 5000);
  }
  void stopPair() {
    if (socat_.state() == QProcess::NotRunning) return;
    socat_.terminate();
    if (!socat_.waitForFinished(2000)) socat_.kill();
    socat_.waitForFinished(2000);
  }

 private slots:
  void init() { startPair(); }
  void cleanup() { stopPair(); }

  void openGivesTheResultCodes() {
    SerialPort port, other;
    QCOMPARE(port.open(std::nullopt), int(kSerialNoName));
    QCOMPARE(port.open(QString("")), int(kSerialOpenFailed));
    QCOMPARE(port.open(dir_.path() + "/no-such-port"), int(kSerialOpenFailed));
    QCOMPARE(port.failure(), QString("no such port"));
    QVERIFY(!port.running());
    // A path longer than ten characters opens as given.
    QVERIFY(a_.size() > 10);
    QCOMPARE(port.open(a_), int(kSerialOk));
    QVERIFY(port.running());
    // Exclusive: a second opener is refused while the first holds it.
    QCOMPARE(other.open(a_), int(kSerialOpenFailed));
    QVERIFY(port.close());
    QVERIFY(!port.running());
  }

  void bytesGoBothWaysAndTheThreadTellsItsSteps() {
    SerialPort a, b;
    Listener heard_a(a), heard_b(b);
    a.setReadSize(64);
    b.setReadSize(64);
    QCOMPARE(a.open(a_), 0);
    QCOMPARE(b.open(b_), 0);
    QTRY_COMPARE(heard_a.count(SerialNote::ThreadStarted), 1);
    a.requestWrite("hello\n");
    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i) all[i] = char(i);
    b.requestWrite(all);
    QTRY_COMPARE(heard_b.received(), QByteArray("hello\n"));
    QTRY_COMPARE(heard_a.received(), all);
    QTRY_COMPARE(heard_a.count(SerialNote::WriteDone), 1);
    QVERIFY(a.close());
    QCOMPARE(heard_a.count(SerialNote::PortClosed), 1);

    // Reopened, the same object works again.
    heard_a.forget();
    QCOMPARE(a.open(a_), 0);
    b.requestWrite("again");
    QTRY_COMPARE(heard_a.received(), QByteArray("again"));
  }

  void withoutARequestOneReadOfReadSizeIsAllThereIs() {
    SerialPort a, b;
    QCOMPARE(b.open(b_), 0);
    QByteArray got;
    std::mutex m;
    a.setNotify([&](SerialNote note, const QByteArray& data) {
      std::lock_guard lock(m);
      if (note == SerialNote::DataRead) got += data;
    });
    QCOMPARE(a.open(a_), 0);
    b.requestWrite("xyz");
    QTest::qWait(200);
    a.close();
    QCOMPARE(got, QByteArray("x"));  // read size 1 at creation
  }

  void closeEndsTheThreadWhileAReadWaits() {
    SerialPort a;
    Listener heard(a);
    QCOMPARE(a.open(a_), 0);
    QTRY_COMPARE(heard.count(SerialNote::ThreadStarted), 1);
    QTest::qWait(50);  // the read request is pending, nothing comes
    QElapsedTimer clock;
    clock.start();
    QVERIFY(a.close());  // true: ended within its 2 s bound
    qInfo("thread ended %lld us after close while a read waited", static_cast<long long>(clock.nsecsElapsed() / 1000));
    QCOMPARE(heard.count(SerialNote::PortClosed), 1);
  }

  void aVanishingPortClosesTheWindowsConnection() {
    SerialWindow window;
    QSignalSpy closed(&window, &SerialWindow::portClosed);
    QVERIFY(window.connectTo(a_));
    QCOMPARE(window.statusText(), "Connected to " + a_ + " at 115200 8N1");
    QVERIFY(!window.findChild<QWidget*>("ConnectBtn")->isEnabled());
    QVERIFY(window.findChild<QWidget*>("DisconnectBtn")->isEnabled());
    stopPair();
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 5000);
    QCOMPARE(window.statusText(), QString("Port closed"));
    QVERIFY(!window.connected());
    QVERIFY(window.findChild<QWidget*>("ConnectBtn")->isEnabled());
    QVERIFY(!window.connectTo(a_));
    QCOMPARE(window.statusText(), "Cannot open " + a_ + ": no such port");
  }

  void remoteControlTypesALabelAndAnswersItsState() {
    QTemporaryDir work;
    const QString image = work.path() + "/fontData.hex";
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    spi_set_path(image.toStdString());
    DeviceController controller;
    SerialWindow window(&controller);
    controller.start();
    QVERIFY(window.connectTo(a_, true));
    SerialPort rig;
    Listener heard(rig);
    rig.setReadSize(4096);
    QCOMPARE(rig.open(b_), 0);

    rig.requestWrite("TEXT:HELLO\nSTATE?\n");
    QTRY_VERIFY_WITH_TIMEOUT(heard.received().count('\n') == 2, 10000);
    QVERIFY2(heard.received().startsWith("OK\n"), heard.received().constData());  // the keys' line done
    const QByteArray state = heard.received().mid(3);
    QVERIFY2(state.startsWith('{') && state.contains("\"lines\":[\"HELLO\"]"), state.constData());

    heard.forget();
    rig.requestWrite("A FOO\nSTATE?\n");
    QTRY_VERIFY_WITH_TIMEOUT(heard.received().count('\n') == 2, 10000);
    const QList<QByteArray> lines = heard.received().split('\n');
    QCOMPARE(lines[0], QByteArray("ERR unknown token 'FOO'"));
    QVERIFY2(lines[1] == state.trimmed(), lines[1].constData());  // nothing changed
    window.disconnectPort();
    controller.close();
  }

  void aMegabyteFloodIsCountedWholeAndTheWindowKeepsAnswering() {
    SerialWindow window;
    window.show();
    QVERIFY(window.connectTo(a_));
    SerialPort sender;
    QCOMPARE(sender.open(b_), 0);
    QByteArray flood(1 << 20, 0);
    for (int i = 0; i < flood.size(); ++i) flood[i] = char(i * 7 + (i >> 9));

    // A 10 ms timer on the window's thread: its worst lateness is how long
    // the window could not answer.
    QElapsedTimer clock;
    qint64 last = 0, worst_gap = 0;
    QTimer probe;
    probe.setInterval(10);
    connect(&probe, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed() / 1000;
      worst_gap = std::max(worst_gap, now - last);
      last = now;
    });
    clock.start();
    probe.start();
    sender.requestWrite(flood);
    QTRY_COMPARE_WITH_TIMEOUT(window.monitor()->received(), qint64(flood.size()), 60000);
    const qint64 took_us = clock.nsecsElapsed() / 1000;
    probe.stop();
    window.monitor()->drawPending();
    QVERIFY(window.monitor()->document()->blockCount() <= SerialMonitor::kMaxLines);
    qInfo("1 MB flood: %lld bytes counted in %lld ms; worst gap of a 10 ms timer %lld ms",
          static_cast<long long>(window.monitor()->received()), static_cast<long long>(took_us / 1000),
          static_cast<long long>(worst_gap / 1000));
  }

  void theDeviceWindowsContextMenuOpensTheWindow() {
    DeviceWindow device;
    SerialWindow serial;
    connect(&device, &DeviceWindow::serialCommsRequested, &serial, &SerialWindow::openWindow);
    QString chosen;
    QTimer::singleShot(0, [&] {  // runs inside the menu's own loop
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      chosen = menu->actions().value(0)->text();
      menu->actions().value(0)->trigger();
      menu->close();
    });
    const QPoint outside_keys(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, outside_keys, device.mapToGlobal(outside_keys));
    QApplication::sendEvent(&device, &event);
    QCOMPARE(chosen, QString("Serial Comms..."));
    QVERIFY(serial.isVisible());
    // Shown, the list holds the typed path and the Connect button follows it.
    serial.findChild<QComboBox*>("PortComboBox")->setEditText(a_);
    QVERIFY(serial.findChild<QWidget*>("ConnectBtn")->isEnabled());
    serial.findChild<QComboBox*>("PortComboBox")->setEditText(QString());
    QVERIFY(!serial.findChild<QWidget*>("ConnectBtn")->isEnabled());
  }

  void monitorLinesShowHexTextAndTime() {
    const QString line = SerialMonitor::formatLine(QTime(12, 34, 56, 789), false, QByteArray("Hi\x01\xff", 4));
    QCOMPARE(line, QString("12:34:56.789 RX 48 69 01 FF ") + QString(36, ' ') + " Hi..");
  }
};

QTEST_MAIN(SerialTest)
#include "serial_test.moc"
