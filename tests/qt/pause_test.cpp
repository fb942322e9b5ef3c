// Pause, step one tick and the fast-forward key: the device's clock stands
// while paused, a step is one tick, Tab held runs it as fast as it goes.
#include <QTemporaryDir>
#include <QtTest>

#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/seam/spi_flash.h"

class PauseTest : public QObject {
  Q_OBJECT

 private slots:
  void pauseStepAndFastForward() {
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("fontData.hex"));
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner);
    spi_set_path(image.toStdString());
    DeviceController controller;
    DeviceWindow window(&controller);
    controller.start();
    QTRY_VERIFY(controller.ticksRun() > 5);
    controller.setPaused(true);
    QVERIFY(window.windowTitle().contains(QStringLiteral("PAUSED")));
    const uint64_t stopped = controller.ticksRun();
    QTest::qWait(50);  // timer events would have come meanwhile
    QCOMPARE(controller.ticksRun(), stopped);
    controller.stepOneTick();
    QCOMPARE(controller.ticksRun(), stopped + 1);
    controller.setPaused(false);
    QVERIFY(!window.windowTitle().contains(QStringLiteral("PAUSED")));
    QTRY_VERIFY(controller.ticksRun() > stopped + 2);
    controller.stepOneTick();  // not paused: no extra tick is run by it

    controller.setSpeed(4);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(&window, &tab);
    QCOMPARE(controller.speed(), DeviceController::kFastest);
    QKeyEvent tab_up(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(&window, &tab_up);
    QCOMPARE(controller.speed(), 4u);
    controller.close();
  }
};

QTEST_MAIN(PauseTest)
#include "pause_test.moc"
