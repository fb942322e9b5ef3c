// Input of every kind recorded in the device window (PC keys, key pictures,
// Func, Shift, the Cut switch, a material, the battery dial), replayed through
// klx80-batch on the image the recording started from: the same LCD picture,
// label and tape at the end.
#include <QImage>
#include <QMenu>
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
#include "host/seam/clock.h"
#include "host/seam/mirror.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_layout.h"
#include "host/qt/device_window.h"
#include "host/qt/media_panel.h"
#include "host/seam/spi_flash.h"
#include "host/session/state_json.h"
#include "host/seam/tape.h"
#include "host/files/tape_pbm.h"
#include "widgets/dial.h"
#include "widgets/rocker_switch.h"
#include "host/qt/app_menus.h"
#include "host/qt/script_player.h"
#include "host/qt/simulator.h"
#include "modal_answerer.h"

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
    const QString image = dir_.filePath("fontData.hex");
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    spi_set_path(image.toStdString());
    DeviceController controller;
    // The window's device in lock step with its ticks, as the runner's is.
    controller.setSpeed(DeviceController::kFastest);
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
    const auto click = [&](uint8_t tag) {
      QTest::mouseClick(&window, Qt::LeftButton, {}, layout::key_with_tag(tag)->area.center());
      run(7);
    };
    const auto type = [&](Qt::Key key) {
      QTest::keyClick(&window, key);
      run(7);
    };
    run(20);
    type(Qt::Key_Q);                // journalled at the restart: in the image kept
    panel.radioButton(2)->click();  // the 1/2-inch tape, kept through the restart
    run(30);
    QVERIFY(controller.startRecording());
    run(40);
    for (Qt::Key k : {Qt::Key_H, Qt::Key_I, Qt::Key_Shift}) type(k);  // Shift alone latches Func
    for (uint8_t tag : {uint8_t(KEY_RIGHT), uint8_t(KEY_ENTER), layout::kFuncTag, uint8_t(KEY_4)}) click(tag);
    panel.batteryDial()->setValue(7.3);
    panel.radioButton(3)->click();
    run(60);
    click(KEY_PRINT);
    for (int i = 0; i < 3000 && (prn_engine_busy() || ui_get_mode() != MODE_EDITOR); ++i) run(1);
    window.cutSwitch()->click();
    run(50);

    const QString script = dir_.filePath("session.txt");
    std::string error;
    QVERIFY2(controller.stopRecording(script.toStdString(), error), error.c_str());
    QVERIFY(read_file(script).contains("TICKS:7 SHIFT_DOWN SHIFT_UP\n"));
    QVERIFY(tape_column_count() > 0);
    const QByteArray lcd(reinterpret_cast<const char*>(mirror_rgb()), MIRROR_WIDTH * MIRROR_HEIGHT * 3);
    QVERIFY(tape_write_pbm(dir_.filePath("window.pbm").toStdString()));
    const nlohmann::ordered_json window_state = state_object();
    controller.close();

    // The replay, on a copy of the image the recording started from.
    QVERIFY(QFile::copy(dir_.filePath("session-start.hex"), dir_.filePath("replay.hex")));
    QProcess batch;
    batch.start(KLX80_BATCH_EXE, {"--flash", dir_.filePath("replay.hex"), "--script", script, "--lcd-png",
                                  dir_.filePath("lcd.png"), "--tape-pbm", dir_.filePath("replay.pbm"), "--state"});
    QVERIFY(batch.waitForFinished(60000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    const auto replay_state = nlohmann::ordered_json::parse(batch.readAllStandardOutput().toStdString());
    const QImage replay_lcd = QImage(dir_.filePath("lcd.png")).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(replay_lcd.size(), QSize(MIRROR_WIDTH, MIRROR_HEIGHT));
    for (int y = 0; y < MIRROR_HEIGHT; ++y)
      QVERIFY(std::memcmp(replay_lcd.constScanLine(y), lcd.constData() + y * MIRROR_WIDTH * 3, MIRROR_WIDTH * 3) == 0);
    QCOMPARE(read_file(dir_.filePath("replay.pbm")), read_file(dir_.filePath("window.pbm")));
    for (const char* field : {"mode", "lines", "cursor", "label_type", "font_size", "func_active", "lamps", "cartridge",
                              "popup", "tape_columns"})
      QVERIFY2(replay_state[field] == window_state[field], field);
    host_clock_use_virtual(false);
  }

  // A script played is not recorded over (Record waits), a script played
  // into a recording is recorded, and quitting while recording asks first.
  void recordingWithPlayedScriptsAndQuit() {
    const QString image = dir_.filePath("quit.hex");
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner);
    spi_set_path(image.toStdString());
    Simulator sim;
    sim.controller().setSpeed(DeviceController::kFastest);
    sim.deviceWindow().show();
    const auto entry = [&](const QString& name) {
      for (QAction* a : sim.menus().fileMenu()->actions())
        if (a->objectName() == name || a->text().remove('&') == name) return a;
      return static_cast<QAction*>(nullptr);
    };
    const auto play = [&](const QByteArray& text) {
      QFile f(dir_.filePath("played.txt"));
      f.open(QIODevice::WriteOnly);
      f.write(text);
      f.close();
      return sim.menus().playScript(f.fileName());
    };
    QTRY_VERIFY(sim.controller().started());
    QAction* record = entry("Record Key Script");
    QVERIFY(record);
    QVERIFY(play("TEXT:HI TICKS:100000"));
    emit sim.menus().fileMenu()->aboutToShow();
    QVERIFY(!record->isEnabled());
    sim.menus().player()->stop();

    QVERIFY(sim.controller().startRecording());
    QVERIFY(play("TEXT:OK"));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.menus().player()->playing(), 60000);
    const QString script = dir_.filePath("played-into.txt");
    std::string error;
    QVERIFY2(sim.controller().stopRecording(script.toStdString(), error), error.c_str());
    QVERIFY2(read_file(script).contains(" O\n") && read_file(script).contains(" K\n"), read_file(script).constData());

    QVERIFY(sim.controller().startRecording());
    ModalAnswerer answer(QMessageBox::Cancel);
    entry("Quit")->trigger();
    QCOMPARE(answer.texts.size(), 1);
    QVERIFY(sim.deviceWindow().isVisible() && sim.controller().recording());  // Cancel: nothing ended
    answer.setAnswer(QMessageBox::Discard);
    entry("Quit")->trigger();
    QCOMPARE(answer.texts.size(), 2);
    QVERIFY(!sim.deviceWindow().isVisible());
    host_clock_use_virtual(false);
  }
};

QTEST_MAIN(RecordTest)
#include "record_test.moc"
