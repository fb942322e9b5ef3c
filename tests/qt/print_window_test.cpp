// The Print Output window: void bands, the red dot 0, the scroll bar rule,
// showing itself at a new tape, zoom and saving the tape.
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "host/seam/cartridge.h"
#include "host/files/png.h"
#include "host/qt/device_controller.h"
#include "host/qt/print_window.h"
#include "host/qt/tape_source_bar.h"
#include "host/files/tape_view.h"

namespace {
const QColor kGrey(128, 128, 128), kWhite(255, 255, 255), kRed(255, 0, 0), kBlack(0, 0, 0), kWindow(240, 240, 240);

void add_columns(int n, uint8_t first_byte = 0) {
  for (int i = 0; i < n; ++i) {
    uint8_t column[16] = {first_byte};
    tape_add_column(column);
  }
}

QImage shown(PrintWindow& w) { return w.tapeView()->grab().toImage(); }
}  // namespace

class PrintWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tape_init();
    cart_init();
  }

  void windowPlaceAndSize() {
    PrintWindow w;
    QCOMPARE(w.windowTitle(), QString("Print Output"));
    QVERIFY(w.windowFlags() & Qt::Tool);
    QCOMPARE(w.width(), 492);  // the tape area as the device's window has it, the history strip below
    QCOMPARE(w.tapeView()->geometry(), QRect(0, 0, 481, 152));
    QCOMPARE(w.sourceBar()->geometry().top(), 177);
    QCOMPARE(w.height(), 177 + w.sourceBar()->height());
    QCOMPARE(w.tapeView()->boxWidth(), 481);
    QCOMPARE(w.scrollBar()->geometry(), QRect(0, 160, 481, 17));
  }

  void bandsForNoCartridge() {
    cart_set_id(0);
    PrintWindow w;
    add_columns(20, 0xFF);
    w.tapeEnded();
    QImage img = shown(w);
    for (int y : {0, 11, 12, 80, 139, 151}) {
      QCOMPARE(img.pixelColor(3, y), kGrey);
      QCOMPARE(img.pixelColor(480, y), kGrey);
    }
    QCOMPARE(img.pixelColor(0, 139), kRed);  // the 3 pixels left of the bands show the tape
  }

  void bandsForThreeQuarterInch() {
    cart_set_id(3);
    PrintWindow w;
    add_columns(20);
    w.tapeEnded();
    QImage img = shown(w);
    QCOMPARE(img.pixelColor(10, 0), kWindow);  // no top band
    QCOMPARE(img.pixelColor(10, 12), kWhite);
    QCOMPARE(img.pixelColor(10, 139), kWhite);
    QCOMPARE(img.pixelColor(10, 149), kWindow);
    QCOMPARE(img.pixelColor(10, 150), kGrey);  // the lower band, 2 high
    QCOMPARE(img.pixelColor(10, 151), kGrey);
    QCOMPARE(img.pixelColor(30, 60), kWindow);  // right of the last column
  }

  void engineDotZeroIsRed() {
    cart_set_id(2);
    PrintWindow w;
    add_columns(1, 0x80);
    add_columns(1, 0x40);
    w.tapeEnded();
    QImage img = shown(w);
    QCOMPARE(img.pixelColor(0, 12 + 127), kRed);
    QCOMPARE(img.pixelColor(1, 12 + 126), kBlack);
    QCOMPARE(img.pixelColor(1, 12 + 127), kWhite);
  }

  void scrollBarAt481And482Columns() {
    PrintWindow w;
    add_columns(481);
    w.tapeEnded();
    QVERIFY(w.scrollBar()->isHidden());
    add_columns(1, 0x80);
    w.tapeEnded();
    QVERIFY(!w.scrollBar()->isHidden());
    QCOMPARE(w.scrollBar()->minimum(), 0);
    QCOMPARE(w.scrollBar()->maximum(), 1);
    QCOMPARE(w.scrollBar()->value(), 1);
    QCOMPARE(shown(w).pixelColor(480, 139), kRed);  // the newest column at the right edge
    w.scrollBar()->setValue(0);
    QCOMPARE(shown(w).pixelColor(480, 139), kWhite);
  }

  // Widening the window past the tape hides the scroll bar; the start of the
  // label must then be in view, not left behind the old scroll position.
  void wideningShowsTheTapeFromItsStartAndKeysScroll() {
    PrintWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    add_columns(1, 0x80);
    add_columns(599);
    w.tapeEnded();
    QCOMPARE(w.scrollBar()->value(), 119);
    w.resize(700, w.height());
    QVERIFY(w.scrollBar()->isHidden());
    QCOMPARE(w.scrollBar()->value(), 0);
    QCOMPARE(shown(w).pixelColor(0, 139), kRed);
    w.resize(492, w.height());
    struct Step {
      int key;
      int value;
    } steps[] = {{Qt::Key_Home, 0}, {Qt::Key_End, 119}, {Qt::Key_PageUp, 0}, {Qt::Key_PageDown, 119}};
    for (const Step& step : steps) {
      QTest::keyClick(&w, Qt::Key(step.key));
      QCOMPARE(w.scrollBar()->value(), step.value);
    }
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &wheel);
    QCOMPARE(w.scrollBar()->value(), 119 - 72);  // a wheel notch up goes back towards the start
  }

  void newTapeShowsTheWindowAndScrollsToItsStart() {
    DeviceController controller;
    PrintWindow w(&controller);
    add_columns(600);
    w.tapeEnded();
    QCOMPARE(w.scrollBar()->value(), 119);
    QVERIFY(!w.isVisible());
    tape_begin();  // on the engine's thread in the device; the news is queued
    QTRY_VERIFY(w.isVisible());
    QCOMPARE(w.scrollBar()->value(), 0);
    QCOMPARE(tape_column_count(), size_t(0));
  }

  void zoomScalesDots() {
    PrintWindow w;
    const QSize at_1x = w.size();
    add_columns(1, 0x80);
    w.setZoom(2);
    QCOMPARE(w.tapeView()->boxWidth(), 240);
    QImage img = shown(w);
    QCOMPARE(img.height(), 304);
    QCOMPARE(img.pixelColor(0, 2 * 139), kRed);
    QCOMPARE(img.pixelColor(1, 2 * 139 + 1), kRed);
    QCOMPARE(img.pixelColor(2, 2 * 139), kWindow);
    w.setZoom(4);
    QCOMPARE(w.tapeView()->boxWidth(), 120);
    w.setZoom(1);
    QCOMPARE(w.size(), at_1x);
  }

  void savesTheWholeTapeAsPainted() {
    cart_set_id(1);
    PrintWindow w;
    add_columns(700, 0x80);
    QTemporaryDir dir;
    QString path = dir.path() + "/tape.png";
    QVERIFY(w.saveTape(path));
    int width = 0, height = 0;
    std::string rgb;
    QVERIFY(png_read_rgb(path.toStdString(), width, height, rgb));
    QCOMPARE(width, 700);
    QCOMPARE(height, TAPE_PAINT_HEIGHT);
    int expected_width = 0;
    std::vector<uint8_t> painted = tape_render_all(1, expected_width);
    QVERIFY(std::equal(painted.begin(), painted.end(), reinterpret_cast<const uint8_t*>(rgb.data())));
  }
};

QTEST_MAIN(PrintWindowTest)
#include "print_window_test.moc"
