// The real klx80 program as a user runs it (offscreen): a label typed over the
// remote-control link survives the program being ended by SIGTERM, SIGINT or
// SIGHUP, as it survives closing the device window; when the image was
// deleted under it, the failed save is told on stderr (no box that no one
// could answer) and the program ends with status 1; a key script given with
// --play at real time leaves the label klx80-batch leaves. Every wait is bounded and
// the rig end of the link is read without blocking, so a program that never
// answers fails the case instead of hanging the suite.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {
// Reads what arrives on fd within `ms`, without ever blocking longer.
QByteArray read_for(int fd, int ms) {
  QByteArray got;
  QElapsedTimer clock;
  clock.start();
  for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, int(left)) <= 0) break;
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, n);
  }
  return got;
}
}  // namespace

class WholeProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void aSignalClosesLikeTheWindowAndKeepsTheLabel_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM, image deleted") << int(SIGTERM) << true;
    QTest::newRow("SIGHUP, image deleted") << int(SIGHUP) << true;
  }
  void aSignalClosesLikeTheWindowAndKeepsTheLabel() {
    QFETCH(int, signal);
    QFETCH(bool, deleted);
    QTemporaryDir work;
    const QString image = work.path() + "/fontData.hex", a = work.path() + "/a", b = work.path() + "/b";
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner);
    const QString socat_path = QStandardPaths::findExecutable("socat");
    if (socat_path.isEmpty()) QSKIP("socat is not installed (scripts/setup installs it)");
    QProcess socat;
    socat.start(socat_path, {"pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
    QVERIFY(socat.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(a) && QFile::exists(b), 5000);

    QProcess program;
    program.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", work.path());  // window places stay in the test's directory
    program.setProcessEnvironment(env);
    program.start(KLX80_PROGRAM, {"-platform", "offscreen", "--flash", image, "--serial", a, "--remote"});
    QVERIFY(program.waitForStarted(5000));
    const int rig = ::open(QFile::encodeName(b).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(rig >= 0);
    // The link opens a moment after the window (and may drop what came
    // before): ask until the device answers, then type (20 s at most).
    QByteArray heard;
    bool typed = false;
    QElapsedTimer waited;
    waited.start();
    while (!heard.contains("\"lines\":[\"HELLO\"") && waited.elapsed() < 20000) {
      if (!typed && heard.contains('{')) typed = ::write(rig, "TEXT:HELLO\n", 11) == 11;
      [[maybe_unused]] ssize_t asked = ::write(rig, "STATE?\n", 7);
      heard += read_for(rig, 300);
    }
    ::close(rig);
    QVERIFY2(heard.contains("\"lines\":[\"HELLO\""), heard.constData());
    if (deleted) QVERIFY(QFile::remove(image));
    ::kill(pid_t(program.processId()), signal);
    const bool finished = program.waitForFinished(10000);
    if (!finished) program.kill(), program.waitForFinished(2000);
    socat.terminate();
    socat.waitForFinished(2000);
    const QByteArray told = program.readAllStandardError();
    QVERIFY2(finished, told.constData());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    if (deleted) {
      QCOMPARE(program.exitCode(), 1);
      QVERIFY2(told.contains("cannot be saved"), told.constData());
      return;
    }
    QCOMPARE(program.exitCode(), 0);

    QProcess batch;
    batch.start(KLX80_BATCH, {"--flash", image, "--state"});
    QVERIFY(batch.waitForFinished(20000));
    const QByteArray state = batch.readAllStandardOutput();
    QVERIFY2(state.contains("\"lines\":[\"HELLO\""), state.constData());
  }

  void playAtRealTimeLeavesTheBatchRunnersLabel() {
    QTemporaryDir work;
    const QString image = work.path() + "/fontData.hex", batch_image = work.path() + "/batch.hex";
    for (const QString& copy : {image, batch_image}) {
      QVERIFY(QFile::copy(KLX80_FONT_IMAGE, copy));
      QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    }
    QFile script(work.path() + "/demo.klx80keys");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("TEXT:HELLO PRINT CUT CUT TEXT:WORLD FUNC PRINT 3 ENTER\n");
    script.close();
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", work.path());
    program.setProcessEnvironment(env);
    program.start(KLX80_PROGRAM, {"-platform", "offscreen", "--flash", image, "--play", script.fileName(), "--speed", "1"});
    QVERIFY(program.waitForStarted(5000));
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains("klx80: played") && waited.elapsed() < 120000 && program.state() == QProcess::Running) {
      program.waitForReadyRead(500);
      said += program.readAllStandardError();
    }
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QVERIFY2(said.contains("klx80: played"), said.constData());
    QCOMPARE(program.exitCode(), 0);

    const auto lines_of = [](const QStringList& args) {
      QProcess batch;
      batch.start(KLX80_BATCH, args);
      batch.waitForFinished(60000);
      const QByteArray state = batch.readAllStandardOutput();
      const qsizetype at = state.indexOf("\"lines\":");
      return state.mid(at, state.indexOf(']', at) - at + 1);
    };
    const QByteArray played = lines_of({"--flash", image, "--state"});
    QVERIFY2(played.contains("HELLOWO"), played.constData());  // typed past the print, to a full line
    QCOMPARE(played, lines_of({"--flash", batch_image, "--script", script.fileName(), "--state"}));
  }
};

QTEST_GUILESS_MAIN(WholeProgramTest)
#include "whole_program_test.moc"
