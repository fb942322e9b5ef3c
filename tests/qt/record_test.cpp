// Recording in the device window and replaying through klx80-batch: input of
// every kind (PC keys, key pictures, Func, Shift, the Cut switch, a material
// and the battery dial) recorded while the device runs, then the script
// replayed on the image the recording started from must end with the same
// LCD picture, label and tape.
#include <QImage>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <nlohmann/json.hpp>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/engine.h"
#include "host/clock.h"
#include "host/mirror.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_layout.h"
#include "host/qt/device_window.h"
#include "host/qt/media_panel.h"
#include "host/spi_flash.h"
#include "host/state_json.h"
#include "host/tape.h"
#include "host/tape_pbm.h"
#include "widgets/dial.h"
#include "widgets/rocker_switch.h"

namespace {
QByteArray read_file(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class RecordTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void recordedInputReplaysToTheSamePicturesLabelAndTape() {
    // The window's device in lock step with its ticks, as the runner's is.
    host_clock_use_virtual(true);
    const QString image = dir_.filePath("fontData.hex");
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    spi_set_path(image.toStdString());
    DeviceController controller;
    DeviceWindow window(&controller);
    MediaPanel panel(&controller);
    panel.applyTimer().stop();
    window.show();
    controller.timer().stop();
    auto run = [&](int ticks) {
      for (int i = 0; i < ticks; ++i) {
        controller.tick();
        host_clock_advance(10);
        if (controller.ticksRun() % 10 == 0) controller.cartridgeTimerStep();  // the panel's 100 ms
      }
    };
    auto click_key = [&](uint8_t tag) {
      QTest::mouseClick(&window, Qt::LeftButton, {}, layout::key_with_tag(tag)->area.center());
      run(7);
    };
    auto type = [&](Qt::Key key, Qt::KeyboardModifiers mods = {}) {
      QTest::keyClick(&window, key, mods);
      run(7);
    };

    run(20);
    QTest::keyClick(&window, Qt::Key_Q);  // before: journalled at the restart, in the image kept
    panel.radioButton(2)->click();        // the 1/2-inch tape, kept through the restart
    run(30);
    QVERIFY(controller.startRecording());
    QVERIFY(!controller.startRecording());  // one at a time
    run(40);
    type(Qt::Key_H);
    type(Qt::Key_I);
    click_key(KEY_ENTER);
    click_key(KEY_4);
    type(Qt::Key_Shift);  // Shift pressed and released alone: Func latched for one key
    click_key(KEY_RIGHT);
    QTest::mouseClick(&window, Qt::LeftButton, {}, layout::key_with_tag(layout::kFuncTag)->area.center());
    run(5);
    click_key(KEY_LEFT);
    panel.batteryDial()->setValue(7.3);
    run(3);
    panel.radioButton(3)->click();  // back to the 3/4-inch tape
    run(60);
    type(Qt::Key_Z);
    click_key(KEY_PRINT);
    for (int i = 0; i < 3000 && (prn_engine_busy() || ui_get_mode() != MODE_EDITOR); ++i) run(1);
    QCOMPARE(int(ui_get_mode()), int(MODE_EDITOR));
    window.cutSwitch()->click();
    run(200);

    const QString script = dir_.filePath("session.txt");
    std::string error;
    QVERIFY2(controller.stopRecording(script.toStdString(), error), error.c_str());
    QVERIFY(!controller.recording());
    const QByteArray text = read_file(script);
    for (const char* token : {"TIMING:EXACT", " H\n", " I\n", " ENTER\n", " 4\n", " SHIFT_DOWN", " SHIFT_UP", " RIGHT\n",
                              " FUNC\n", " BATT:7.3\n", " CART:2\n", " CART:3\n", " PRINT\n", " CUT\n"})
      QVERIFY2(text.contains(token), token);
    QVERIFY(!text.contains(" Q\n"));

    // What the window shows at the end.
    QVERIFY(tape_column_count() > 0);
    const QByteArray lcd(reinterpret_cast<const char*>(mirror_rgb()), MIRROR_WIDTH * MIRROR_HEIGHT * 3);
    const QString window_tape = dir_.filePath("window.pbm");
    QVERIFY(tape_write_pbm(window_tape.toStdString()));
    const nlohmann::ordered_json window_state = state_object();
    controller.close();

    // The replay, on a copy of the image the recording started from.
    const QString replay_image = dir_.filePath("replay.hex");
    QVERIFY(QFile::copy(dir_.filePath("session-start.hex"), replay_image));
    QProcess batch;
    batch.start(KLX80_BATCH_EXE, {"--flash", replay_image, "--script", script, "--lcd-png", dir_.filePath("lcd.png"),
                                  "--tape-pbm", dir_.filePath("replay.pbm"), "--state"});
    QVERIFY(batch.waitForFinished(60000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    const nlohmann::ordered_json replay_state = nlohmann::ordered_json::parse(batch.readAllStandardOutput().toStdString());

    QImage replay_lcd(dir_.filePath("lcd.png"));
    replay_lcd = replay_lcd.convertToFormat(QImage::Format_RGB888);
    QCOMPARE(replay_lcd.size(), QSize(MIRROR_WIDTH, MIRROR_HEIGHT));
    for (int y = 0; y < MIRROR_HEIGHT; ++y)
      QVERIFY2(std::memcmp(replay_lcd.constScanLine(y), lcd.constData() + y * MIRROR_WIDTH * 3, MIRROR_WIDTH * 3) == 0,
               qPrintable(QString("LCD row %1 differs").arg(y)));
    QCOMPARE(read_file(dir_.filePath("replay.pbm")), read_file(window_tape));
    for (const char* field : {"mode", "lines", "current_line", "cursor", "label_type", "font_size", "bold", "copies",
                              "caps", "func_active", "lamps", "cartridge", "popup", "tape_columns"})
      QVERIFY2(replay_state[field] == window_state[field],
               qPrintable(QString("%1: window %2, replay %3")
                              .arg(field, QString::fromStdString(window_state[field].dump()),
                                   QString::fromStdString(replay_state[field].dump()))));
    host_clock_use_virtual(false);
  }
};

QTEST_MAIN(RecordTest)
#include "record_test.moc"
