// Keys typed in the program's other windows: the controls that take keys
// keep them all, Tab moves the focus, the rest reaches the device window.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "host/qt/key_forwarder.h"
#include "widgets/dial.h"

namespace {
// Stands in for the device window: counts the keys that reach it.
class DeviceStandIn : public QWidget {
 public:
  QList<int> keys;

 protected:
  void keyPressEvent(QKeyEvent* e) override { keys << e->key(); }
};
}  // namespace

class KeyForwarderTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsKeepTheirKeysTheRestGoesToTheDevice() {
    DeviceStandIn device;
    QWidget window;
    auto* line = new QLineEdit(&window);
    auto* combo = new QComboBox(&window);
    combo->setEditable(true);
    auto* spin = new QSpinBox(&window);
    auto* dial = new Dial(&window);
    dial->setRange(6, 9);
    dial->setScale(3, 5);
    dial->setValue(7);
    auto* button = new QPushButton(QStringLiteral("Send"), &window);
    auto* list = new QComboBox(&window);  // a list to choose from (Print Output's tape)
    list->addItems({QStringLiteral("Current tape"), QStringLiteral("Label 1"), QStringLiteral("Label 2")});
    KeyForwarder forwarder(&device);
    forwarder.watch(&window);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    struct Case {
      QWidget* control;
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      bool reaches_device;
    } cases[] = {
        {line, Qt::Key_Backspace, {}, false},        {line, Qt::Key_W, Qt::ShiftModifier, false},
        {line, Qt::Key_Return, {}, false},           {line, Qt::Key_Shift, {}, false},
        {combo, Qt::Key_Home, Qt::ShiftModifier, false}, {combo, Qt::Key_Backspace, {}, false},
        {spin, Qt::Key_Up, {}, false},               {dial, Qt::Key_Up, {}, false},
        {dial, Qt::Key_PageDown, {}, false},         {dial, Qt::Key_A, {}, false},
        {button, Qt::Key_A, {}, true},               {button, Qt::Key_Return, {}, true},
        {button, Qt::Key_Space, {}, true},           {list, Qt::Key_Down, {}, true},
        {list, Qt::Key_Up, {}, true},                {list, Qt::Key_H, {}, true},
    };
    for (const Case& c : cases) {
      c.control->setFocus();
      QCOMPARE(QApplication::focusWidget(), c.control);
      device.keys.clear();
      QTest::keyClick(c.control, c.key, c.modifiers);
      QCOMPARE(device.keys.size(), c.reaches_device ? 1 : 0);
      QCOMPARE(QApplication::focusWidget(), c.control);
    }
    QCOMPARE(line->text().toUpper(), QStringLiteral("W"));
    QCOMPARE(list->currentIndex(), 0);  // the device had the arrows
    QVERIFY(dial->value() < 7);  // a sub-step up, then a whole step down
    // Tab moves the focus on instead of reaching the device.
    line->setFocus();
    device.keys.clear();
    QTest::keyClick(line, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), spin);
    QVERIFY(device.keys.isEmpty());
  }
};

QTEST_MAIN(KeyForwarderTest)
#include "key_forwarder_test.moc"
