// The device window: key areas, the Func picture, the PC keyboard, the tick
// guard, auto-off and the missing-file warning, and the offscreen picture.
#include <QImage>
#include <QKeyEvent>
#include <QMenuBar>
#include <QtMath>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "firmware/kernel/kernel.h"
#include "firmware/print/cutter.h"
#include "firmware/screens/diag.h"
#include "host/seam/clock.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/power.h"
#include "host/qt/device_art.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_layout.h"
#include "host/qt/device_window.h"
#include "host/qt/qt_host_ui.h"
#include "host/qt/render.h"
#include "host/seam/runtime.h"
#include "host/seam/spi_flash.h"
#include "modal_answerer.h"
#include "widgets/rocker_switch.h"

namespace {
struct ExitRequested {
  int status;
};

// The real question boxes, but ending the process becomes an exception the
// test can catch.
class TestUi : public QtHostUi {
 public:
  [[noreturn]] void exit_now(int status) override { throw ExitRequested{status}; }
};

void send_key(QWidget& w, QEvent::Type type, int key, Qt::KeyboardModifiers mods = {}, bool repeat = false) {
  QKeyEvent event(type, key, mods, QString(), repeat);
  QApplication::sendEvent(&w, &event);
}
}  // namespace

class DeviceWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    kbd_init();
    host_ui_install(&ui_);
  }
  void cleanupTestCase() {
    if (firmware_running()) firmware_stop();
    host_ui_install(nullptr);
  }

  void clickOnEachKeyAreaStoresItsCode() {
    DeviceWindow window;
    int stored = 0;
    for (const layout::Key& key : layout::keys()) {
      if (key.tag == layout::kFuncTag) continue;
      kbd_clear_key();
      QTest::mousePress(&window, Qt::LeftButton, {}, key.area.center());
      QTest::mouseRelease(&window, Qt::LeftButton, {}, key.area.center());
      QCOMPARE(int(kbd_get_key()), int(key.tag));
      ++stored;
    }
    QCOMPARE(stored, 47);
    // Any mouse button does it.
    kbd_clear_key();
    QTest::mousePress(&window, Qt::RightButton, {}, layout::key_with_tag(10)->area.center());
    QCOMPARE(int(kbd_get_key()), 10);
    kbd_clear_key();
  }

  // At every size, with a menu bar above the picture, a click lands on the
  // key under it and the Cut switch lies wholly inside the window.
  void keysAndCutSwitchFollowTheSizeAndTheMenuBar() {
    DeviceWindow window;
    window.setMenuBar(new QMenuBar);
    window.menuBar()->addMenu(QStringLiteral("File"));
    for (qreal scale : {1.0, 1.5, 2.0}) {
      window.setScale(scale);
      QVERIFY(window.rect().contains(window.cutSwitch()->geometry()));
      QCOMPARE(window.width(), qCeil(layout::kWindowWidth * scale));
      for (int tag : {1, 10, 27, 52}) {
        const QPoint at = window.toWindow(layout::key_with_tag(uint8_t(tag))->area).center();
        kbd_clear_key();
        QTest::mousePress(&window, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, at);
        QCOMPARE(int(kbd_get_key()), tag);
      }
    }
    kbd_clear_key();
  }

  void clickOutsideKeysStoresNothing() {
    DeviceWindow window;
    kbd_put_key(27);  // a key not yet taken stays
    for (QPoint p :
         {QPoint(5, 5), QPoint(180, 120), QPoint(100, 350), QPoint(84, 240), QPoint(186, 625), QPoint(330, 600)}) {
      QVERIFY2(!layout::key_at(p), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
      QTest::mousePress(&window, Qt::LeftButton, {}, p);
      QCOMPARE(int(kbd_get_key()), 27);
    }
    kbd_clear_key();
  }

  void touchingAreasGoToTheLaterPicture() {
    // The S picture lies over N's lower edge, the side arrows over Up and Down.
    QCOMPARE(int(layout::key_at({230, 512})->tag), 45);
    QCOMPARE(int(layout::key_at({216, 240})->tag), 13);
    QCOMPARE(int(layout::key_at({152, 300})->tag), 14);
  }

  void drawnKeysLieInsideTheirAreas() {
    for (const layout::Key& key : layout::keys()) {
      if (key.style == layout::KeyStyle::Arrow || key.style == layout::KeyStyle::Enter) continue;
      QRectF cap = device_art::keycap_rect(key);
      QVERIFY2(QRectF(key.area).contains(cap), qPrintable(key.legend));
    }
  }

  void funcPictureClickTogglesFunc() {
    DeviceWindow window;
    QCOMPARE(int(func_state()), 1);
    kbd_put_key(30);
    QPoint func = layout::key_with_tag(layout::kFuncTag)->area.center();
    QTest::mouseClick(&window, Qt::LeftButton, {}, func);
    QCOMPARE(int(func_state()), 3);  // latched, lamp on
    QVERIFY(mirror_lamps().func);
    QCOMPARE(int(kbd_get_key()), 30);  // Func never enters the register
    QTest::mouseClick(&window, Qt::LeftButton, {}, func);
    QCOMPARE(int(func_state()), 1);
    QVERIFY(!mirror_lamps().func);
    // A press that is released elsewhere is no click.
    QTest::mousePress(&window, Qt::LeftButton, {}, func);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(int(func_state()), 1);
    kbd_clear_key();
  }

  void shiftAutoRepeatPressesFuncOnce() {
    DeviceWindow window;
    QCOMPARE(int(func_state()), 1);
    send_key(window, QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    // X11 repeats as release/press pairs flagged as auto-repeat, Windows as presses.
    send_key(window, QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, true);
    send_key(window, QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier, true);
    send_key(window, QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, true);
    send_key(window, QEvent::KeyRelease, Qt::Key_Shift, {});
    QCOMPARE(int(func_state()), 3);  // pressed and released alone: latched
    QVERIFY(mirror_lamps().func);
    send_key(window, QEvent::KeyPress, Qt::Key_A, {});
    QCOMPARE(int(kbd_get_key()), 27);
    key_input::func_picture_click();  // back to off
    QCOMPARE(int(func_state()), 1);
    kbd_clear_key();
  }

  void pcKeysGoThroughTheTable() {
    DeviceWindow window;
    struct Case {
      int key;
      Qt::KeyboardModifiers mods;
      int code;
    } cases[] = {
        {Qt::Key_Delete, {}, 8},
        {Qt::Key_Backspace, {}, 8},
        {Qt::Key_7, {}, 24},
        {Qt::Key_Exclam, Qt::ShiftModifier, 18},  // Shift+1 on a US keyboard
        {Qt::Key_Enter, Qt::KeypadModifier, 9},
        {Qt::Key_5, Qt::KeypadModifier, 0},  // keypad digits give nothing
        {Qt::Key_F1, {}, 1},                 // the keys the table leaves to the mouse
        {Qt::Key_F2, {}, 3},
        {Qt::Key_F3, {}, 4},
        {Qt::Key_F4, {}, 10},
        {Qt::Key_Tab, {}, 0},
    };
    for (const Case& c : cases) {
      kbd_clear_key();
      send_key(window, QEvent::KeyPress, c.key, c.mods);
      QCOMPARE(int(kbd_get_key()), c.code);
    }
    kbd_put_key(31);
    send_key(window, QEvent::KeyPress, Qt::Key_F12);  // unmapped: a pending key stays
    QCOMPARE(int(kbd_get_key()), 31);
    kbd_clear_key();
  }

  void altCommandsEnterServiceMode() {
    DeviceWindow window;
    ui_set_mode(1);
    send_key(window, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    send_key(window, QEvent::KeyPress, Qt::Key_K, Qt::AltModifier);  // no command
    QCOMPARE(int(ui_get_mode()), 1);
    QCOMPARE(int(kbd_get_key()), 0);
    send_key(window, QEvent::KeyPress, Qt::Key_Q, Qt::AltModifier);
    QCOMPARE(int(ui_get_mode()), 13);
    QCOMPARE(int(diag_command()), 18);
    QCOMPARE(int(kbd_get_key()), 0);
    send_key(window, QEvent::KeyRelease, Qt::Key_Alt, {});
    send_key(window, QEvent::KeyPress, Qt::Key_Escape);
    QCOMPARE(int(diag_command()), 0);
    // Alt held while the window loses focus is forgotten.
    send_key(window, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&window, &out);
    send_key(window, QEvent::KeyPress, Qt::Key_B);
    QCOMPARE(int(kbd_get_key()), 28);
    ui_set_mode(1);
    kbd_clear_key();
  }

  void cutSwitchClicks() {
    DeviceWindow window;
    QSignalSpy clicks(window.cutSwitch(), &QAbstractButton::clicked);
    cut_set_done(0);
    QVERIFY(window.cutSwitch()->geometry() == QRect(336, 56, 41, 113));
    QTest::mousePress(window.cutSwitch(), Qt::LeftButton, {}, QPoint(20, 60));
    QVERIFY(window.cutSwitch()->isOn());  // lit while held
    QTest::mouseRelease(window.cutSwitch(), Qt::LeftButton, {}, QPoint(20, 60));
    QVERIFY(!window.cutSwitch()->isOn());
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(int(cut_get_done()), 1);  // the cut the engine's pause waits for
    cut_set_done(0);
  }

  // The firmware runs from here on.
  void startWarnsOnceWhenTheFlashFileIsMissing() {
    QTemporaryDir dir;
    spi_set_path((dir.path() + "/fontData.hex").toStdString());
    ModalAnswerer answerer(QMessageBox::Ok);
    controller_ = std::make_unique<DeviceController>();
    QSignalSpy lcd(controller_.get(), &DeviceController::lcdChanged);
    controller_->start();
    controller_->timer().stop();  // the test drives the ticks
    QTRY_COMPARE(answerer.texts.size(), 1);
    QCOMPARE(answerer.texts[0], QString("File fontData.hex Missing"));
    QCOMPARE(answerer.captions[0], QString("Error"));
    QTest::qWait(20);
    QCOMPARE(answerer.texts.size(), 1);
    QVERIFY(firmware_running());
    controller_->tick();
    QCOMPARE(controller_->ticksRun(), uint64_t(1));
  }

  void autoOffAsksOnTick60001AndNoKeepsRunning() {
    QVERIFY(controller_);
    ModalAnswerer answerer(QMessageBox::No);
    bool guarded = false;
    answerer.setWhileOpen([&] {
      // While the question is open timer events come in but no tick runs.
      uint64_t before = controller_->ticksRun();
      uint32_t idle = pwr_idle_ticks();
      controller_->tick();
      controller_->tick();
      guarded = controller_->tickBusy() && controller_->ticksRun() == before && pwr_idle_ticks() == idle;
    });
    pwr_activity();
    for (int i = 0; i < 60000; ++i) controller_->tick();
    QCOMPARE(answerer.texts.size(), 0);
    controller_->tick();  // tick 60 001
    QCOMPARE(answerer.texts, QStringList{"Turn Off Device?"});
    QCOMPARE(answerer.captions, QStringList{"Timeout"});
    QVERIFY(guarded);
    QVERIFY(!controller_->tickBusy());
    QCOMPARE(pwr_idle_ticks(), 0u);  // the count starts again
    // A key restarts the count: 60 000 ticks after it bring nothing.
    for (int i = 0; i < 30000; ++i) controller_->tick();
    DeviceWindow window(controller_.get());
    QTest::mousePress(&window, Qt::LeftButton, {}, layout::key_with_tag(11)->area.center());
    for (int i = 0; i < 60000; ++i) controller_->tick();
    QCOMPARE(answerer.texts.size(), 1);
    controller_->tick();
    QCOMPARE(answerer.texts.size(), 2);
  }

  void autoOffYesEndsAtOnce() {
    ModalAnswerer answerer(QMessageBox::Yes);
    pwr_activity();
    for (int i = 0; i < 60000; ++i) controller_->tick();
    bool ended = false;
    try {
      controller_->tick();
    } catch (const ExitRequested& e) {
      ended = e.status == 0;
    }
    QVERIFY(ended);
    QVERIFY(!controller_->tickBusy());
    // With the device window known, Yes closes it as the user would.
    DeviceWindow window;
    window.show();
    QSignalSpy closed(&window, &DeviceWindow::closed);
    ui_.setDeviceWindow(&window);
    pwr_activity();
    for (int i = 0; i < 60001; ++i) controller_->tick();
    ui_.setDeviceWindow(nullptr);
    QTRY_COMPARE(closed.count(), 1);
  }

  void autoOffNeverAfterDiagnosticsDisabledIt() {
    ModalAnswerer answerer(QMessageBox::No);
    pwr_activity();
    pwr_disable_auto_off();
    for (int i = 0; i < 130000; ++i) controller_->tick();
    QCOMPARE(answerer.texts.size(), 0);
    pwr_init();
  }

  // The speed choice moves the tick and the worker's clock together and
  // shows in the title; the fastest puts the worker on the virtual clock,
  // which each tick advances by its 10 ms.
  void speedChoiceSetsTheClockAndTheTitle() {
    DeviceWindow window(controller_.get());
    struct Row {
      uint32_t factor;
      const char* title;
      bool virtual_clock;
      uint32_t sleep_factor;
    };
    const Row rows[] = {
        {4, "KLX80 Label Printer Demo - 4x", false, 4},
        {16, "KLX80 Label Printer Demo - 16x", false, 16},
        {DeviceController::kFastest, "KLX80 Label Printer Demo - as fast as possible", true, 1},
        {1, "KLX80 Label Printer Demo", false, 1},
    };
    for (const Row& row : rows) {
      controller_->setSpeed(row.factor);
      controller_->timer().stop();  // the test drives the ticks
      QCOMPARE(window.windowTitle(), QString(row.title));
      QCOMPARE(host_clock_is_virtual(), row.virtual_clock);
      QCOMPARE(host_clock_speed(), row.sleep_factor);
      if (!row.virtual_clock) continue;
      const uint64_t before = host_clock_now_ms();
      controller_->tick();
      QCOMPARE(host_clock_now_ms(), before + 10);
    }
  }

  void offscreenPictureOfTheDevice() {
    QTemporaryDir dir;
    QString path = dir.path() + "/device.png";
    QVERIFY(render_device_png(path));
    QImage image(path);
    QCOMPARE(image.size(), QSize(384, 632));
    // The LCD corner that neither dots nor lamps cover shows the mirror's background.
    const uint8_t* bg = mirror_rgb() + (127 * MIRROR_WIDTH + 263) * 3;
    QCOMPARE(image.pixelColor(48 + 263, 64 + 127), QColor(bg[0], bg[1], bg[2]));
    // The body picture follows the device pixel ratio.
    QPixmap sharp = device_art::body_pixmap(2.0);
    QCOMPARE(sharp.size(), QSize(768, 1264));
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
  }

 private:
  TestUi ui_;
  std::unique_ptr<DeviceController> controller_;
};

QTEST_MAIN(DeviceWindowTest)
#include "device_window_test.moc"
