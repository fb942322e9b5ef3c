// F12's screenshots beside the image, numbered, never over a file; Copy LCD
// and Copy Tape on the clipboard.
#include <QClipboard>
#include <QTemporaryDir>
#include <QtTest>

#include <QMenu>
#include <QMenuBar>

#include "host/qt/app_menus.h"
#include "host/qt/screenshot.h"
#include "host/qt/simulator.h"
#include "host/seam/mirror.h"
#include "host/seam/tape.h"

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void screenshotsAreNumberedBesideTheImage() {
    Simulator sim;  // never shown: the firmware does not start
    QTemporaryDir dir;
    QFile taken(dir.filePath(QStringLiteral("klx80-shot-0002-lcd.png")));  // a name in use is skipped
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    const Screenshot first = take_screenshot(sim.deviceWindow(), dir.path());
    const Screenshot second = take_screenshot(sim.deviceWindow(), dir.path());
    QVERIFY2(first.error.isEmpty() && second.error.isEmpty(), qPrintable(first.error + second.error));
    QCOMPARE(QFileInfo(first.device).fileName(), QStringLiteral("klx80-shot-0001.png"));
    QCOMPARE(QFileInfo(second.lcd).fileName(), QStringLiteral("klx80-shot-0003-lcd.png"));
    QCOMPARE(QImage(first.lcd).size(), QSize(MIRROR_WIDTH, MIRROR_HEIGHT));
    const DeviceWindow& w = sim.deviceWindow();
    QCOMPARE(QImage(first.device).size(), QSize(w.width(), w.height() - w.menuBar()->height()));
    QCOMPARE(taken.size(), 0);
  }

  void copyLcdAndTape() {
    Simulator sim;
    QAction* copy_lcd = nullptr;
    for (QAction* a : sim.menus().fileMenu()->actions())
      if (a->text().remove(QLatin1Char('&')) == QStringLiteral("Copy LCD")) copy_lcd = a;
    QVERIFY(copy_lcd);
    copy_lcd->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image(), lcd_picture().convertToFormat(QGuiApplication::clipboard()->image().format()));
    tape_begin();
    const uint8_t column[16] = {0x80};
    for (int i = 0; i < 40; ++i) tape_add_column(column);
    sim.printWindow().copyTape();
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(40, 128));
  }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
