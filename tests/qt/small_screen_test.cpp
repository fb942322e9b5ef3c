// The program on a small screen (1024 x 600, as small laptops and projectors
// have, window frames included): the device drawn smaller than 1x is one
// picture through one transform (the body, the LCD and the clicks agree), and
// Print Output's zoom stays clear of the media panel below it.
#include <QDir>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>
#include <cmath>

#include "host/qt/app_menus.h"
#include "host/qt/device_layout.h"
#include "host/qt/simulator.h"
#include "host/qt/tape_source_bar.h"
#include "host/seam/keys.h"
#include "host/seam/tape.h"

namespace {
// The window's picture at this scale, brought to the 1x size.
QImage picture_at(DeviceWindow& window, qreal scale) {
  window.setScale(scale);
  const int top = window.toWindow(QRect(0, 0, 1, 1)).top();
  const QImage shot = window.grab().toImage().copy(0, top, window.width(), window.height() - top);
  return shot.scaled(layout::kWindowWidth, layout::kWindowHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_Grayscale8);
}

double mean_difference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) sum += std::abs(int(qGray(a.pixel(x, y))) - int(qGray(b.pixel(x, y))));
  return sum / (a.width() * a.height());
}
}  // namespace

class SmallScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void theDeviceFitsAndIsOnePictureAtEverySize() {
    QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1024, 600));
    Simulator sim;  // never shown: the firmware does not start
    DeviceWindow& window = sim.deviceWindow();
    sim.menus().chooseSize(AppMenus::kFitScreen);
    QVERIFY(window.scale() < 1);
    QVERIFY(window.height() + 30 <= 600);  // a title bar still fits

    const QImage at_1x = picture_at(window, 1);
    for (qreal scale : {window.fitScale(), 0.6, 1.5}) {
      // Drawn wholly at this size: the body, its keys and the LCD where they
      // are at 1x (an unscaled body would leave the lower rows off).
      const double difference = mean_difference(picture_at(window, scale), at_1x);
      QVERIFY2(difference < 12, qPrintable(QStringLiteral("scale %1: %2").arg(scale).arg(difference)));
      // The clicks go where the keys are drawn: the corner keys and the bottom row.
      for (int tag : {1, 10, 27, 52, 45}) {
        const QPoint at = window.toWindow(layout::key_with_tag(uint8_t(tag))->area).center();
        QVERIFY(window.rect().contains(at));
        kbd_clear_key();
        QTest::mousePress(&window, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, at);
        QCOMPARE(int(kbd_get_key()), tag);
      }
    }
    kbd_clear_key();
  }

  void printOutputZoomStaysClearOfTheMediaPanel() {
    Simulator sim;
    PrintWindow& print = sim.printWindow();
    MediaPanel& media = sim.mediaPanel();
    print.show();
    media.show();
    QVERIFY(QTest::qWaitForWindowExposed(&media));
    for (int i = 0; i < 400; ++i) {
      uint8_t column[16] = {uint8_t(i)};
      tape_add_column(column);
    }
    for (TapeSourceBar::Zoom zoom : {TapeSourceBar::Zoom::X2, TapeSourceBar::Zoom::X4, TapeSourceBar::Zoom::FitLabel,
                                     TapeSourceBar::Zoom::X1}) {
      print.sourceBar()->setZoom(zoom);
      QTest::qWait(1);
      QVERIFY2(print.frameGeometry().bottom() < media.frameGeometry().top(), qPrintable(QString::number(int(zoom))));
      QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(print.frameGeometry()));
    }
    // At 4x the tape is taller than the room left: it scrolls instead.
    print.sourceBar()->setZoom(TapeSourceBar::Zoom::X4);
    QVERIFY(print.verticalBar()->isVisible());
    tape_init();
  }
};

// A 1024 x 600 screen with window frames, for the offscreen platform.
int main(int argc, char** argv) {
  const QString config = QDir::temp().filePath(QStringLiteral("klx80-small-screen.json"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return 1;
  file.write(R"({"windowFrameMargins": true, "screens": [{"name": "small", "x": 0, "y": 0, "width": 1024,
                 "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
  QApplication app(argc, argv);
  SmallScreenTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "small_screen_test.moc"
