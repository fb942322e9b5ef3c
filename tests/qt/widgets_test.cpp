// The instrument widgets: the dial's format, steps, ends and mouse angle, and
// the rocker switch's two modes.
#include <QSignalSpy>
#include <QtTest>

#include "widgets/dial.h"
#include "widgets/rocker_switch.h"

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void numberFormat() {
    QCOMPARE(Dial::formatNumber(9.0, "##0.#"), QString("9"));
    QCOMPARE(Dial::formatNumber(7.5, "##0.#"), QString("7.5"));
    QCOMPARE(Dial::formatNumber(0.25, "##0.#"), QString("0.3"));
    QCOMPARE(Dial::formatNumber(123.0, "##0.#"), QString("123"));
    QCOMPARE(Dial::formatNumber(3.5, "000.00"), QString("003.50"));
    QCOMPARE(Dial::formatNumber(-2.0, "0.#"), QString("-2"));
  }

  void stepsAndEnds() {
    Dial dial;
    dial.setRange(6, 9);
    dial.setScale(3, 5);
    dial.setValue(9);
    QSignalSpy changes(&dial, &Dial::valueChanged);
    QTest::keyClick(&dial, Qt::Key_PageUp);  // already at the top
    QCOMPARE(changes.count(), 0);
    QTest::keyClick(&dial, Qt::Key_PageDown);
    QCOMPARE(dial.value(), 8.0);
    QTest::keyClick(&dial, Qt::Key_Left);
    QCOMPARE(dial.value(), 7.8);
    QTest::keyClick(&dial, Qt::Key_Right);
    QCOMPARE(dial.value(), 8.0);
    dial.setValue(7.33);
    QTest::keyClick(&dial, Qt::Key_Up);  // from the nearest sub-step mark
    QCOMPARE(dial.value(), 7.6);
    dial.setValue(42);
    QCOMPARE(dial.value(), 9.0);
    dial.setValue(-1);
    QCOMPARE(dial.value(), 6.0);
  }

  void mouseTurnsTheKnob() {
    Dial dial;
    dial.resize(105, 137);
    dial.setRange(6, 9);
    dial.setScale(3, 5);
    dial.setValue(9);
    QPoint centre(52, 66);
    QTest::mouseClick(&dial, Qt::LeftButton, {}, centre + QPoint(0, -30));  // straight up: the middle
    QCOMPARE(dial.value(), 7.5);
    QTest::mouseClick(&dial, Qt::LeftButton, {}, centre + QPoint(-3, 30));  // the gap, left side
    QCOMPARE(dial.value(), 6.0);
    QTest::mouseClick(&dial, Qt::LeftButton, {}, centre + QPoint(3, 30));
    QCOMPARE(dial.value(), 9.0);
  }

  void rockerPushButtonAndLatchingModes() {
    RockerSwitch rocker;
    rocker.resize(41, 113);
    rocker.setLedColours(Qt::green, Qt::darkGreen);
    QSignalSpy clicks(&rocker, &QAbstractButton::clicked);
    QTest::mousePress(&rocker, Qt::LeftButton, {}, QPoint(20, 60));
    QCOMPARE(rocker.ledColour(), QColor(Qt::green));
    QTest::mouseRelease(&rocker, Qt::LeftButton, {}, QPoint(20, 60));
    QCOMPARE(rocker.ledColour(), QColor(Qt::darkGreen));
    QCOMPARE(clicks.count(), 1);

    rocker.setPushButtonMode(false);
    QTest::mouseClick(&rocker, Qt::LeftButton, {}, QPoint(20, 60));
    QVERIFY(rocker.isOn());
    QTest::mouseClick(&rocker, Qt::LeftButton, {}, QPoint(20, 60));
    QVERIFY(!rocker.isOn());
    rocker.setOrientation(Qt::Horizontal);
    QCOMPARE(rocker.sizeHint(), QSize(113, 41));
  }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
