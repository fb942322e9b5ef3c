// Every window on the screen it opens on: saved places from another screen,
// default places below a small screen's foot, sizes larger than the screen.
#include <QScreen>
#include <QtTest>

#include "host/qt/app_menus.h"
#include "host/qt/simulator.h"
#include "host/qt/window_places.h"

class WindowPlacesTest : public QObject {
  Q_OBJECT

 private slots:
  void framesAreBroughtWithinTheFreeArea() {
    const QRect free(0, 0, 1366, 740);
    struct Case {
      QRect frame, fitted;
    } cases[] = {
        {{100, 100, 400, 300}, {100, 100, 400, 300}},     // on the screen: as it is
        {{37, 727, 660, 400}, {37, 340, 660, 400}},       // below the foot
        {{3000, -200, 400, 300}, {966, 0, 400, 300}},     // from another screen
        {{-50, 100, 2000, 1000}, {0, 0, 1366, 740}},      // larger than the screen
    };
    for (const Case& c : cases) QCOMPARE(fit_on_screen(c.frame, free), c.fitted);
  }

  void theProgramsWindowsOpenOnTheScreen() {
    Simulator sim;  // never shown: the firmware does not start
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    SerialWindow& serial = sim.serialWindow();
    serial.move(free.right() + 500, free.bottom() + 500);  // a place saved on another screen
    serial.openWindow();
    QTRY_VERIFY(free.contains(serial.frameGeometry()));
    sim.printWindow().show();
    QTRY_VERIFY(free.contains(sim.printWindow().frameGeometry()));
    DeviceWindow& device = sim.deviceWindow();
    device.setAttribute(Qt::WA_DontShowOnScreen);  // its first show would start the firmware
    sim.menus().chooseSize(2);
    QVERIFY(device.scale() <= device.fitScale());
  }
};

QTEST_MAIN(WindowPlacesTest)
#include "window_places_test.moc"
