// The media panel: its radio buttons, the cartridge timer's removal step and
// the battery dial driving the ADC and the battery lamp.
#include <QRadioButton>
#include <QtTest>

#include "firmware/display/lcd.h"
#include "host/seam/adc.h"
#include "host/seam/cartridge.h"
#include "host/seam/mirror.h"
#include "host/qt/key_forwarder.h"
#include "host/qt/media_panel.h"
#include "widgets/dial.h"

class MediaPanelTest : public QObject {
  Q_OBJECT

  // The register after each of the panel's next n timer events.
  static QVector<int> watch_timer(MediaPanel& panel, int n) {
    QVector<int> ids;
    auto connection = QObject::connect(&panel.applyTimer(), &QTimer::timeout,
                                       [&] { ids << cart_get_id(); });  // after the panel's own step
    for (int waited = 0; ids.size() < n && waited < 5000; waited += 5) QTest::qWait(5);
    QObject::disconnect(connection);
    return ids.mid(0, n);
  }

 private slots:
  void init() { cart_init(); }

  void radioButtonsCaptionsPlacesAndTabOrder() {
    MediaPanel panel;
    QCOMPARE(panel.windowTitle(), QString("KLX80 Label Material Sizes"));
    QVERIFY(panel.windowFlags() & Qt::Tool);
    QCOMPARE(panel.size(), QSize(297, 357));
    const char* captions[12] = {"No Cartridge",
                                "3/8\" Nylon, Vinyl, or Polyester Labels",
                                "1/2\" Nylon, Vinyl, or Polyester Labels",
                                "3/4\" Nylon, Vinyl, or Polyester Labels ",
                                "0.75\" Self-Lam Labels",
                                "1.25\" Self-Lam Labels",
                                "1.00\" Self-Lam Labels",
                                "1.50\" Self-Lam Labels",
                                "0.125\" Tubalon Labels",
                                "0.187\" Tubalon Labels",
                                "0.250\" Tubalon Labels",
                                "0.375\" Tubalon Labels"};
    const int tops[12] = {272, 56, 32, 8, 80, 128, 104, 152, 176, 200, 224, 248};
    for (int id = 0; id < 12; ++id) {
      QRadioButton* r = panel.radioButton(id);
      QCOMPARE(r->text(), QString(captions[id]));
      QCOMPARE(r->geometry().topLeft(), QPoint(24, tops[id]));
      QCOMPARE(r->height(), 17);
      QCOMPARE(r->isChecked(), id == 3);
    }
    QCOMPARE(panel.radioButton(4)->objectName(), QString("sLam750RadioBtn"));
    const int tab_order[12] = {3, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 0};
    QWidget* w = panel.radioButton(3);
    for (int i = 1; i < 12; ++i) {
      w = w->nextInFocusChain();
      QCOMPARE(w, static_cast<QWidget*>(panel.radioButton(tab_order[i])));
    }
    QCOMPARE(w->nextInFocusChain(), static_cast<QWidget*>(panel.batteryDial()));
  }

  void changeIsARemovalThenTheNewMaterial() {
    MediaPanel panel;
    QTest::mouseClick(panel.radioButton(2), Qt::LeftButton);
    QCOMPARE(int(cart_get_id()), 3);  // the click alone changes nothing
    QCOMPARE(watch_timer(panel, 3), (QVector<int>{0, 2, 2}));
  }

  void twoClicksWithinOnePeriodApplyTheLast() {
    MediaPanel panel;
    QTest::mouseClick(panel.radioButton(2), Qt::LeftButton);
    QTest::mouseClick(panel.radioButton(9), Qt::LeftButton);
    QVERIFY(panel.radioButton(9)->isChecked());
    QCOMPARE(watch_timer(panel, 3), (QVector<int>{0, 9, 9}));
    QTest::mouseClick(panel.radioButton(0), Qt::LeftButton);
    QCOMPARE(watch_timer(panel, 2), (QVector<int>{0, 0}));
  }

  void batteryDialDrivesTheAdcAndTheLamp() {
    MediaPanel panel;
    Dial* dial = panel.batteryDial();
    QCOMPARE(dial->value(), 9.0);
    QCOMPARE(adc_read(2), 9000);
    QCOMPARE(dial->name(), QString("Batt Volts"));
    QCOMPARE(dial->valueText(), QString("9 V"));
    struct Case {
      double volts;
      int millivolts, level;
    };
    for (Case c : {Case{7.0, 7000, 1}, Case{7.5, 7500, 2}, Case{8.0, 8000, 2}, Case{9.0, 9000, 3}}) {
      dial->setValue(c.volts);
      QCOMPARE(adc_read(2), c.millivolts);
      QCOMPARE(int(mirror_lamps().battery), c.level);
    }
    QCOMPARE(adc_read(0), 0);
    // The keyboard moves it too.
    dial->setFocus();
    QTest::keyClick(dial, Qt::Key_Home);
    QCOMPARE(adc_read(2), 6000);
    QCOMPARE(int(mirror_lamps().battery), 1);
    QTest::keyClick(dial, Qt::Key_PageUp);
    QCOMPARE(adc_read(2), 7000);
    QTest::keyClick(dial, Qt::Key_Up);
    QTest::keyClick(dial, Qt::Key_Up);
    QTest::keyClick(dial, Qt::Key_Up);
    QCOMPARE(adc_read(2), 7600);
    QCOMPARE(int(mirror_lamps().battery), 2);
    QTest::keyClick(dial, Qt::Key_End);
    QCOMPARE(adc_read(2), 9000);
    QCOMPARE(int(mirror_lamps().battery), 3);
  }

  // In the program the panel's keys pass the device's key forwarder: Tab
  // walks to the dial and the dial keeps its keys; a click on a material
  // leaves the arrows with the device.
  void keyboardReachesTheDialPastTheDevice() {
    QWidget device;
    int device_keys = 0;
    struct Counter : QObject {
      int* n;
      explicit Counter(int* count) : n(count) {}
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) ++*n;
        return false;
      }
    } counter(&device_keys);
    device.installEventFilter(&counter);
    MediaPanel panel;
    KeyForwarder forwarder(&device);
    forwarder.watch(&panel);
    panel.show();
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    QTest::mouseClick(panel.radioButton(2), Qt::LeftButton);
    QVERIFY(!panel.radioButton(2)->hasFocus());
    panel.radioButton(2)->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 13 && !panel.batteryDial()->hasFocus(); ++i)
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(panel.batteryDial()->hasFocus());
    QTest::keyClick(panel.batteryDial(), Qt::Key_Home);
    QTest::keyClick(panel.batteryDial(), Qt::Key_Up);
    QCOMPARE(adc_read(2), 6200);
    QCOMPARE(device_keys, 0);
    QTest::keyClick(panel.batteryDial(), Qt::Key_End);
  }
};

QTEST_MAIN(MediaPanelTest)
#include "media_panel_test.moc"
