// The menu bar and what its Device and File entries do to the image: the
// menus and sizes, a reset that keeps the old image, and the offer made at
// start for a damaged image (nothing changed without a yes).
#include <QFile>
#include <QMenuBar>
#include <QTextBrowser>
#include <functional>
#include <QTemporaryDir>
#include <QtTest>

#include "firmware/editor/label.h"
#include "host/seam/flash_image.h"
#include "host/qt/app_menus.h"
#include "host/qt/device_window.h"
#include "host/qt/image_rescue.h"
#include "host/qt/simulator.h"
#include "host/seam/runtime.h"
#include "host/seam/spi_flash.h"

namespace {
QString copy_image(const QTemporaryDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  QFile::copy(KLX80_FONT_IMAGE, path);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  return path;
}
}  // namespace

class AppMenusTest : public QObject {
  Q_OBJECT

 private slots:
  // Menu titles have no Alt mnemonic (Alt with a letter is the device's);
  // every entry has its own underlined letter for the keyboard (after F10).
  void menusHoldTheirEntriesWithAcceleratorsAndSizeTheDevice() {
    Simulator sim;  // never shown: the firmware does not start
    AppMenus& m = sim.menus();
    QStringList titles;
    for (QAction* a : m.bar()->actions()) titles << a->text();
    QCOMPARE(titles, QStringList({"File", "Device", "View", "Help"}));
    std::function<void(QMenu*)> check = [&](QMenu* menu) {
      QString letters;
      for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        const int at = a->text().indexOf('&');
        QVERIFY2(at >= 0 && a->text().count('&') == 1, qPrintable(a->text()));
        const QChar letter = a->text().at(at + 1).toLower();
        QVERIFY2(!letters.contains(letter), qPrintable(a->text()));
        letters += letter;
        if (a->menu()) check(a->menu());
      }
    };
    for (QMenu* menu : {m.fileMenu(), m.deviceMenu(), m.viewMenu(), m.helpMenu()}) check(menu);
    QStringList view, help;
    for (QAction* a : m.viewMenu()->actions()) view << a->text().remove('&');
    for (QAction* a : m.helpMenu()->actions()) help << a->text().remove('&');
    QVERIFY(view.contains("Calibrate Real Size..."));
    QVERIFY(help.contains("User Guide"));
    // The guide ships inside the program: it opens without files or network.
    m.helpMenu()->actions().first()->trigger();
    auto* guide = qApp->findChild<QTextBrowser*>(QStringLiteral("UserGuideText"));
    if (!guide)
      for (QWidget* w : QApplication::topLevelWidgets())
        if (!guide) guide = w->findChild<QTextBrowser*>(QStringLiteral("UserGuideText"));
    QVERIFY(guide);
    QVERIFY2(guide->toPlainText().contains("Print Output"), qPrintable(guide->toPlainText().left(200)));
    QVERIFY(guide->document()->resource(QTextDocument::ImageResource, QUrl("guide/keyboard-map.png")).isValid());
    QVERIFY(m.fileMenu()->actions().contains(m.recordPlace()));
    QVERIFY(m.deviceMenu()->actions().contains(m.speedPlace()));
    for (qreal size : {2.0, 1.5, 1.0}) {
      m.chooseSize(size);
      QCOMPARE(sim.deviceWindow().scale(), qMin(size, sim.deviceWindow().fitScale()));  // never off the screen
    }
    m.chooseSize(AppMenus::kFitScreen);
    QCOMPARE(sim.deviceWindow().scale(), sim.deviceWindow().fitScale());
  }

  // The label typed before a reset is journalled into the image kept aside;
  // the device then starts on the fresh one, and a second reset finds the
  // first backup's name taken.
  void resetKeepsTheOldImageAndStartsOnAFreshOne() {
    QTemporaryDir dir;
    const QString image = copy_image(dir, "fontData.hex");
    spi_set_path(image.toStdString());
    DeviceController controller;
    controller.start();
    for (int i = 0; i < 50; ++i) controller.tick();
    lbl_insert_char('Q');
    QString kept, error;
    QVERIFY2(controller.resetToFreshImage(KLX80_FONT_IMAGE, kept, error), qPrintable(error));
    QCOMPARE(kept, image + ".bak");
    QCOMPARE(int(lbl_record()->lines[0].length), 0);
    QVERIFY(controller.resetToFreshImage(KLX80_FONT_IMAGE, kept, error));
    QCOMPARE(kept, image + ".bak-2");
    QVERIFY(controller.powerCycle());
    controller.close();
    spi_set_path(image.toStdString());  // the first backup holds the label
    QFile::remove(image);
    QVERIFY(QFile::rename(image + ".bak", image));
    firmware_start();
    QCOMPARE(int(lbl_record()->lines[0].length), 1);
    firmware_close();
  }

  // Open Flash Image takes only a whole image: a short text file or a
  // damaged image leaves the device on the one it runs; the title names an
  // image opened by hand.
  void openImageRefusesWhatIsNoImageAndNamesTheImage() {
    QTemporaryDir dir;
    const QString image = copy_image(dir, "fontData.hex");
    const QString other = copy_image(dir, "stock-labels.hex");
    const QString damaged = copy_image(dir, "damaged.hex");
    QFile text(dir.filePath("notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a flash image at all");
    text.close();
    QFile harm(damaged);
    QVERIFY(harm.open(QIODevice::ReadWrite) && harm.seek(100) && harm.write("\x5a") == 1);
    harm.close();
    spi_set_path(image.toStdString());
    DeviceController controller;
    DeviceWindow window(&controller);
    controller.start();
    controller.timer().stop();
    for (const QString& refused : {text.fileName(), damaged, dir.filePath("absent.hex")}) {
      QString error;
      QVERIFY2(!controller.openImage(refused, error), qPrintable(refused));
      QVERIFY2(!error.isEmpty(), qPrintable(refused));
      QCOMPARE(controller.imagePath(), image);
    }
    QCOMPARE(window.windowTitle(), DeviceWindow::programName());
    QString error;
    QVERIFY2(controller.openImage(other, error), qPrintable(error));
    window.updateTitle();
    QCOMPARE(window.windowTitle(), DeviceWindow::programName() + " - stock-labels.hex");
    controller.close();
  }

  void aDamagedImageIsChangedOnlyOnYes() {
    struct Case {
      const char* name;
      bool damage, yes, asked, replaced;
    } cases[] = {
        {"whole image", false, true, false, false},
        {"damaged, No", true, false, true, false},
        {"damaged, Yes", true, true, true, true},
    };
    for (const Case& c : cases) {
      QTemporaryDir dir;
      const QString image = copy_image(dir, "fontData.hex");
      if (c.damage) {
        QFile f(image);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(100);
        f.write("\x5a");
      }
      QFile before_file(image);
      QVERIFY(before_file.open(QIODevice::ReadOnly));
      const QByteArray before = before_file.readAll();
      const ImageRescue r = rescue_damaged_image(image, KLX80_FONT_IMAGE, [&](const QString&) { return c.yes; });
      QCOMPARE(r.asked, c.asked);
      QCOMPARE(r.replaced, c.replaced);
      QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
      QFile kept(image + ".damaged");
      QCOMPARE(kept.exists(), c.replaced);
      if (c.replaced) {
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);  // kept byte for byte
        QCOMPARE(flash_image_check(image.toStdString()).damaged, false);
      } else {
        QFile after(image);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);  // untouched
      }
    }
  }
};

QTEST_MAIN(AppMenusTest)
#include "app_menus_test.moc"
