// File > Record Animation's recorder: frames of the windows as they change,
// the tape window beside the device window, and the refusals.
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "host/qt/animation_recorder.h"

class AnimationRecorderTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void framesOfBothWindowsAsTheyChange() {
    QLabel device(QStringLiteral("one")), tape(QStringLiteral("tape"));
    device.setFixedSize(120, 80);
    tape.setFixedSize(60, 40);
    device.show();
    tape.show();
    AnimationRecorder recorder(&device, &tape);
    const QString path = dir_.filePath(QStringLiteral("a.gif"));
    QString error;
    QVERIFY2(recorder.start(path, error), qPrintable(error));
    QVERIFY(!recorder.start(dir_.filePath(QStringLiteral("b.gif")), error));  // one at a time
    for (const char* text : {"two", "three"}) {
      QTest::qWait(30);  // frames closer than 20 ms share one
      device.setText(QString::fromLatin1(text));
      recorder.sample();
    }
    QTest::qWait(30);
    recorder.sample();  // nothing changed: no frame
    QVERIFY2(recorder.stop(error), qPrintable(error));
    QVERIFY(!recorder.recording());

    QImageReader gif(path);
    if (!QImageReader::supportedImageFormats().contains("gif")) QSKIP("this Qt reads no GIF");
    QCOMPARE(gif.imageCount(), 3);
    QCOMPARE(gif.size(), QSize(120 + 8 + 60, 80));
  }

  void aFormatItCannotWriteIsRefused() {
    QLabel device(QStringLiteral("one"));
    device.show();
    AnimationRecorder recorder(&device, nullptr);
    QString error;
    QVERIFY(!recorder.start(dir_.filePath(QStringLiteral("a.png")), error));
    QVERIFY2(error.contains(QStringLiteral(".gif, .webm or .mp4")), qPrintable(error));
    QVERIFY(!recorder.recording());
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("a.png"))));
  }
};

QTEST_MAIN(AnimationRecorderTest)
#include "animation_recorder_test.moc"
