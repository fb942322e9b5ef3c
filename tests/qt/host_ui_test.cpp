// The desktop program's auto-off question: put only after ten idle minutes on
// the wall clock, whatever the device's speed, with No as its default.
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "host/qt/qt_host_ui.h"
#include "host/seam/power.h"
#include "modal_answerer.h"

class HostUiTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { host_ui_install(nullptr); }

  // At 16x or faster the device's ten minutes pass while the person is
  // still at work: the count runs out and nothing interrupts.
  void aFastDeviceDoesNotAskSomeoneAtWork() {
    QtHostUi ui(QtHostUi::kIdleMinutesMs);
    host_ui_install(&ui);
    ModalAnswerer answerer(QMessageBox::Yes);
    QWidget other_window;
    other_window.show();
    QTest::keyClick(&other_window, Qt::Key_A);  // typing somewhere in the program
    pwr_ask_off();                              // the device's count ran out
    QVERIFY(answerer.texts.isEmpty());
  }

  void returnOnTheQuestionAnswersNo() {
    QtHostUi ui;
    bool answered_no_by_default = false;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      poll.stop();
      answered_no_by_default = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
      QTest::keyClick(box, Qt::Key_Return);
    });
    poll.start();
    QVERIFY(!ui.ask_turn_off());
    QVERIFY(answered_no_by_default);
  }
};

QTEST_MAIN(HostUiTest)
#include "host_ui_test.moc"
