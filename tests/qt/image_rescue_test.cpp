// A missing image offered fresh at start, and the lock that keeps a second
// program off an image in use.
#include <QTemporaryDir>
#include <QtTest>

#include "host/files/image_lock.h"
#include "host/qt/device_controller.h"
#include "host/qt/image_rescue.h"
#include "host/seam/flash_image.h"
#include "host/seam/spi_flash.h"

class ImageRescueTest : public QObject {
  Q_OBJECT

 private slots:
  void aMissingImageIsCreatedOnYesOnly() {
    for (bool yes : {false, true}) {
      QTemporaryDir dir;
      const QString image = dir.filePath(QStringLiteral("fontData.hex"));
      QString asked;
      const ImageRescue r = rescue_missing_image(image, KLX80_FONT_IMAGE, [&](const QString& q) {
        asked = q;
        return yes;
      });
      QVERIFY(r.asked);
      QVERIFY(asked.contains(image));
      QCOMPARE(r.replaced, yes);
      QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
      QCOMPARE(QFileInfo::exists(image), yes);
      if (yes) QCOMPARE(flash_image_check(image.toStdString()).verdict, FlashImageVerdict::Usable);
      // An image that is there is not asked about.
      const ImageRescue again = rescue_missing_image(image, KLX80_FONT_IMAGE, [](const QString&) { return true; });
      QCOMPARE(again.asked, !yes);
    }
  }

  void oneProgramPerImage() {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.hex")), b = dir.filePath(QStringLiteral("b.hex"));
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, a));
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, b));
    using R = ImageLock::Result;
    using M = ImageLock::Mode;
    ImageLock program, second, batch1, batch2;
    QCOMPARE(program.acquire(a.toStdString(), M::Exclusive), R::Locked);
    QCOMPARE(second.acquire(a.toStdString(), M::Exclusive), R::InUse);
    QCOMPARE(batch1.acquire(a.toStdString(), M::Shared), R::InUse);
    QCOMPARE(batch1.acquire(b.toStdString(), M::Shared), R::Locked);  // batch runs share an image
    QCOMPARE(batch2.acquire(b.toStdString(), M::Shared), R::Locked);
    // Moving to a held image keeps the old lock; a free one takes over.
    QCOMPARE(program.acquire(b.toStdString(), M::Exclusive), R::InUse);
    QCOMPARE(second.acquire(a.toStdString(), M::Exclusive), R::InUse);
    ImageLock moved;
    moved = std::move(program);
    QVERIFY(moved.held() && !program.held());
    moved.release();
    QCOMPARE(second.acquire(a.toStdString(), M::Exclusive), R::Locked);
    QCOMPARE(second.acquire(dir.filePath(QStringLiteral("none.hex")).toStdString(), M::Exclusive), R::NoFile);
    QVERIFY(second.held());
  }

  // Opened read-only, the device runs and types but its image stays as it
  // was; opened as usual, the same keys reach the file.
  void readOnlyLeavesTheImageAsItWas() {
    for (bool read_only : {true, false}) {
      QTemporaryDir dir;
      const QString image = dir.filePath(QStringLiteral("fontData.hex"));
      QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
      QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner);
      const QByteArray before = [&] {
        QFile f(image);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
      }();
      spi_set_path(image.toStdString());
      DeviceController controller;
      controller.setReadOnly(read_only);
      controller.start();
      for (int i = 0; i < 50; ++i) controller.tick();
      controller.pressKeyPicture(27);  // A
      for (int i = 0; i < 20; ++i) controller.tick();
      controller.close();  // the label journalled
      QFile after(image);
      QVERIFY(after.open(QIODevice::ReadOnly));
      QCOMPARE(after.readAll() == before, read_only);
    }
  }

  // Read-only, Power Cycle starts again on the same image (the path is kept,
  // not taken from the flash, which holds none then) and Reset changes nothing.
  void readOnlyRestartsOnTheSameImageAndResetsNothing() {
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("fontData.hex"));
    QVERIFY(QFile::copy(KLX80_FONT_IMAGE, image));
    spi_set_path(image.toStdString());
    DeviceController controller;
    controller.setReadOnly(true);
    controller.start();
    for (int i = 0; i < 50; ++i) controller.tick();
    QVERIFY(controller.powerCycle());
    QCOMPARE(controller.imagePath(), image);
    QString kept, error;
    QVERIFY(!controller.resetToFreshImage(KLX80_FONT_IMAGE, kept, error));
    QVERIFY2(error.contains(image) && error.contains(QStringLiteral("read-only")), qPrintable(error));
    QVERIFY(kept.isEmpty() && !QFile::exists(image + ".bak"));
    controller.close();
    QCOMPARE(flash_image_check(image.toStdString()).verdict, FlashImageVerdict::Usable);
  }
};

QTEST_MAIN(ImageRescueTest)
#include "image_rescue_test.moc"
