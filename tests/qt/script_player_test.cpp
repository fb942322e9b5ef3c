// A key script played in the window gives the LCD, label and tape that
// klx80-batch gives for the same script: a recording (exact timing, input on
// its tick) and a written script (a token once the device has settled), the
// latter also at real time, where a print takes the worker's real seconds.
#include <QImage>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <nlohmann/json.hpp>

#include "host/files/tape_pbm.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/qt/media_panel.h"
#include "host/qt/script_player.h"
#include "host/seam/flash_image.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"
#include "host/seam/tape.h"
#include "host/session/state_json.h"

namespace {
QByteArray read_file(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class ScriptPlayerTest : public QObject {
  Q_OBJECT

 private slots:
  // A SNAP: onto the open image (through a link too) or the script's own
  // file is refused before anything plays; the image stays a whole image.
  void snapOverTheImageIsRefusedBeforePlaying() {
    QTemporaryDir dir;
    const QString image = dir.filePath("fontData.hex"), link = dir.filePath("link.png"),
                  script = dir.filePath("play.txt");
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(QFile::link(image, link));
    const QByteArray before = read_file(image);
    spi_set_path(image.toStdString());
    DeviceController controller;
    DeviceWindow window(&controller);
    controller.start();
    controller.timer().stop();
    ScriptPlayer player(&controller, &window, nullptr);
    for (const QString& target : {image, link, script}) {
      std::string error;
      QVERIFY(!player.play(("TEXT:A SNAP:" + target).toStdString(), false, error, script.toStdString()));
      QVERIFY2(error.find("it would be overwritten") != std::string::npos, error.c_str());
      QVERIFY(!player.playing());
    }
    controller.close();
    QCOMPARE(read_file(image).size(), before.size());
    QCOMPARE(flash_image_check(image.toStdString()).verdict, FlashImageVerdict::Usable);
  }

  void playsAsTheBatchRunnerRuns_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<uint>("speed");
    const uint fastest = DeviceController::kFastest;
    QTest::newRow("recorded") << "TIMING:EXACT\nTICKS:40 H\nTICKS:7 I\nTICKS:7 SHIFT_DOWN\nTICKS:3 SHIFT_UP\n"
                                 "TICKS:7 ENTER\nTICKS:7 4\nTICKS:9 CART:2\nTICKS:60 BATT:7.3\nTICKS:30 PRINT\nTICKS:1500\n"
                              << fastest;
    QTest::newRow("written") << "TEXT:AB ENTER 7 CART:1 FUNC 3 PRINT TICKS:1500" << fastest;
    // Two prints, a cut pause and copies, at real time and four times it.
    const char* two_prints = "TEXT:HELLO PRINT CUT CUT TEXT:WORLD FUNC PRINT 3 ENTER";
    QTest::newRow("written, two prints, 1x") << two_prints << 1u;
    QTest::newRow("written, two prints, 16x") << two_prints << 16u;
  }

  void playsAsTheBatchRunnerRuns() {
    QFETCH(QString, script);
    QFETCH(uint, speed);
    QTemporaryDir dir;
    const QString image = dir.filePath("fontData.hex");
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, dir.filePath("batch.hex")));
    for (const char* f : {"fontData.hex", "batch.hex"})
      QFile::setPermissions(dir.filePath(f), QFile::ReadOwner | QFile::WriteOwner);
    spi_set_path(image.toStdString());
    DeviceController controller;
    controller.setSpeed(DeviceController::kFastest);  // in lock step with the ticks, as the runner's device is
    DeviceWindow window(&controller);
    MediaPanel panel(&controller);
    controller.start();
    controller.timer().stop();
    const auto run = [&](int ticks) {
      for (int i = 0; i < ticks; ++i) controller.tick();
    };
    run(30);
    if (speed != DeviceController::kFastest) {
      // The window's own timer at this speed; the event loop never blocked.
      controller.setSpeed(speed);
      controller.timer().start();
    }
    ScriptPlayer player(&controller, &window, &panel);
    std::string error;
    QVERIFY2(player.play(script.toStdString(), false, error), error.c_str());
    QVERIFY(window.windowTitle().contains("PLAY"));
    QString refused;
    connect(&player, &ScriptPlayer::refused, this, [&](const QString& why) { refused = why; });
    if (speed == DeviceController::kFastest) {
      for (int i = 0; i < 20000 && player.playing(); ++i) run(1);
    } else {
      QTRY_VERIFY_WITH_TIMEOUT(!player.playing(), 240000);
      controller.timer().stop();
    }
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
    QVERIFY(!player.playing());
    for (int i = 0; i < 5000 && !controller.settled(); ++i) run(1);
    QVERIFY(!window.windowTitle().contains("PLAY"));
    const QByteArray lcd(reinterpret_cast<const char*>(mirror_rgb()), MIRROR_WIDTH * MIRROR_HEIGHT * 3);
    QVERIFY(tape_column_count() > 0);
    QVERIFY(tape_write_pbm(dir.filePath("window.pbm").toStdString()));
    const nlohmann::ordered_json window_state = state_object();
    controller.close();

    QFile script_file(dir.filePath("script.txt"));
    QVERIFY(script_file.open(QIODevice::WriteOnly));
    script_file.write(script.toUtf8());
    script_file.close();
    QProcess batch;
    batch.start(KLX80_BATCH_EXE, {"--flash", dir.filePath("batch.hex"), "--script", script_file.fileName(),
                                  "--lcd-png", dir.filePath("lcd.png"), "--tape-pbm", dir.filePath("batch.pbm"),
                                  "--state"});
    QVERIFY(batch.waitForFinished(60000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    const auto batch_state = nlohmann::ordered_json::parse(batch.readAllStandardOutput().toStdString());
    const QImage batch_lcd = QImage(dir.filePath("lcd.png")).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(batch_lcd.size(), QSize(MIRROR_WIDTH, MIRROR_HEIGHT));
    for (int y = 0; y < MIRROR_HEIGHT; ++y)
      QVERIFY(std::memcmp(batch_lcd.constScanLine(y), lcd.constData() + y * MIRROR_WIDTH * 3, MIRROR_WIDTH * 3) == 0);
    QCOMPARE(read_file(dir.filePath("window.pbm")), read_file(dir.filePath("batch.pbm")));
    for (const char* field : {"mode", "lines", "cursor", "label_type", "font_size", "func_active", "lamps", "cartridge",
                              "popup", "tape_columns"})
      QVERIFY2(batch_state[field] == window_state[field], field);
  }
};

QTEST_MAIN(ScriptPlayerTest)
#include "script_player_test.moc"
