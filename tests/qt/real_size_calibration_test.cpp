// Real size corrected with a ruler: a bar that measures 104 mm instead of
// 100 makes the density 100/104 of what it was, kept for that screen.
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "host/qt/real_size_calibration.h"
#include "host/qt/real_size_view.h"

class RealSizeCalibrationTest : public QObject {
  Q_OBJECT
  QTemporaryDir settings_;

 private slots:
  void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path()); }

  void aRulerCorrectsTheRealSizeForThatScreen() {
    RealSizeView view;
    view.show();
    const double reported = view.pxPerMm();
    QVERIFY(reported > 0);
    RealSizeCalibration dialog(reported);
    dialog.setMeasuredMm(104);
    QVERIFY(qAbs(dialog.pxPerMm() - reported * 100 / 104) < 1e-9);
    keep_calibration(view.screen(), dialog.pxPerMm());
    QVERIFY(qAbs(view.pxPerMm() - reported * 100 / 104) < 1e-9);
    RealSizeView another;  // a later window on the same screen
    another.show();
    QVERIFY(qAbs(another.pxPerMm() - reported * 100 / 104) < 1e-9);
  }
};

QTEST_MAIN(RealSizeCalibrationTest)
#include "real_size_calibration_test.moc"
