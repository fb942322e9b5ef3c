// The Print Output window's history, zooms and exports: earlier labels one
// click away, a new label back on the device's tape, fit and real size, a zoom
// that stays clear of the window below, PNG one pixel per dot, PDF at true size.
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "host/seam/cartridge.h"
#include "host/files/png.h"
#include "host/qt/print_window.h"
#include "host/qt/real_size_view.h"
#include "host/qt/tape_printout.h"
#include "host/qt/tape_source_bar.h"
#include "host/files/tape_view.h"

namespace {
// A label of n columns, each with engine byte 0 = mark, as the engine ends it.
void print_label(int n, uint8_t mark) {
  tape_begin();
  uint8_t column[16] = {mark};
  for (int i = 0; i < n; ++i) tape_add_column(column);
  tape_history_label_ended();
}

TapeLabel label_of(int n, uint8_t stored_byte0, uint64_t number) {
  TapeLabel l;
  l.number = number;
  l.label_type = 1;
  TapeColumn c{};
  c[0] = stored_byte0;
  l.columns.assign(size_t(n), c);
  l.width = size_t(n);
  return l;
}

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255);
}  // namespace

class TapeHistoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tape_init();
    cart_init();
    tape_history_clear();
    tape_history_enable(true);
  }
  void cleanup() {
    tape_history_enable(false);
    tape_history_clear();
  }

  void earlierLabelsAreOneClickAwayAndANewLabelShowsTheTape() {
    PrintWindow w;
    print_label(100, 0x01);  // engine dot 7: pixel row 120
    print_label(50, 0x80);   // engine dot 0: the red row 127
    w.tapeEnded();
    auto* earlier = w.sourceBar()->findChild<QToolButton*>("EarlierLabel");
    QVERIFY(earlier->isEnabled());
    earlier->click();  // the label before the one on the tape
    QCOMPARE(w.sourceBar()->source(), int64_t(1));
    QImage img = w.tapeView()->grab().toImage();
    QCOMPARE(img.pixelColor(99, 12 + 120), kBlack);
    QCOMPARE(img.pixelColor(100, 12 + 120), QColor(240, 240, 240));  // past the label's end
    QVERIFY(w.sourceBar()->findChild<QLabel*>("HistoryInfo")->text().contains("2/1000"));

    w.tapeBegun();  // the device starts a label: its tape, exactly as before
    QCOMPARE(w.sourceBar()->source(), TapeSourceBar::kCurrentTape);
    w.sourceBar()->setSource(TapeSourceBar::kWholeHistory);
    QCOMPARE(w.scrollBar()->isHidden(), true);  // 150 columns fit
    QCOMPARE(w.tapeView()->grab().toImage().pixelColor(120, 12 + 127), QColor(255, 0, 0));
  }

  void fitLabelAndRealSize() {
    PrintWindow w;
    print_label(1924, 0x80);  // 240.5 mm
    w.tapeEnded();
    w.fitLabel();
    QVERIFY(qAbs(w.zoom() - 481.0 / 1924) < 1e-9);
    QVERIFY(w.scrollBar()->isHidden());
    w.setRealSize(true);
    w.realSizeView()->setPxPerMm(4.0);  // 0.5 px a dot
    w.setRealSize(true);
    QCOMPARE(w.realSizeView()->columnCount(), size_t(1924));
    QVERIFY(w.realSizeView()->isVisible() || !w.isVisible());
    QCOMPARE(w.realSizeView()->boxWidth(), int((481 - 8) / 0.5));
    QVERIFY(!w.scrollBar()->isHidden());
  }

  // A zoomed tape shows whole where the screen allows, over a window below
  // it; taller than the screen it scrolls, the window still on the screen.
  void zoomShowsTheWholeTapeOnTheScreen() {
    PrintWindow w;
    QWidget below;
    w.show();
    below.setGeometry(w.geometry().left(), w.frameGeometry().bottom() + 40, 300, 200);
    below.show();
    const QRect free = w.screen()->availableGeometry();
    QVERIFY(free.height() > 2 * TAPE_PAINT_HEIGHT + 80);  // room for 2x on the test screen
    w.setZoom(2);
    QCOMPARE(w.tapeView()->height(), 2 * TAPE_PAINT_HEIGHT);
    QVERIFY(!w.verticalBar()->isVisible());
    w.setZoom(4);
    QVERIFY(w.frameGeometry().top() >= free.top() && w.frameGeometry().bottom() <= free.bottom());
    QCOMPARE(w.verticalBar()->isVisible(), w.tapeView()->height() < 4 * TAPE_PAINT_HEIGHT);
    w.setZoom(1);
    QVERIFY(!w.verticalBar()->isVisible());
    QCOMPARE(w.tapeView()->height(), TAPE_PAINT_HEIGHT);
  }

  void stripIsAtTrueScale() {
    // At 8 px/mm one dot is one pixel: the label's dots, its cut and the ruler land exactly.
    std::vector<TapeLabel> labels = {label_of(80, 0x80, 1), label_of(40, 0x00, 2)};
    QImage img(200, int(tape_printout::kStripMm * 8) + 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    tape_printout::paint_strip(p, labels, 0, 120, QPointF(0, 0), 8.0);
    p.end();
    const int top = int(tape_printout::kCaptionMm * 8);
    QCOMPARE(img.pixelColor(0, top), kBlack);  // stored row 0 of label 1
    QCOMPARE(img.pixelColor(77, top), kBlack);
    QCOMPARE(img.pixelColor(82, top), kWhite);  // label 2 has no dot there
    int cut_pixels = 0;  // the dashed cut after 10 mm
    for (int y = top; y < top + 128; ++y) cut_pixels += img.pixelColor(80, y) == QColor(200, 0, 0);
    QVERIFY(cut_pixels > 40);
    const int ruler = top + 128 + 4;
    QCOMPARE(img.pixelColor(80, ruler + 20), kBlack);   // the 10 mm tick is 3.5 mm long
    QCOMPARE(img.pixelColor(8, ruler + 20), kWhite);    // the 1 mm tick is shorter
    QCOMPARE(img.pixelColor(8, ruler + 8), kBlack);
    QVERIFY(tape_printout::caption(labels[0]).contains("Label 1 \u00b7 Banner landscape \u00b7 10.0 mm \u00b7 80 dots"));
  }

  void pngHasOnePixelPerDotAndPdfIsA4AtTrueSize() {
    PrintWindow w;
    print_label(700, 0x80);
    print_label(25000, 0x01);  // 3.1 m: 13 rows of 257 mm, 5 rows a page
    w.tapeEnded();
    QTemporaryDir dir;
    const QString png = dir.path() + "/h.png", pdf = dir.path() + "/h.pdf";
    QVERIFY(w.exportPng(png, PrintWindow::Scope::WholeHistory));
    int width = 0, height = 0;
    std::string rgb;
    QVERIFY(png_read_rgb(png.toStdString(), width, height, rgb));
    QCOMPARE(width, 25700);
    QCOMPARE(height, 128);
    auto at = [&](int x, int y) { return uint8_t(rgb[(size_t(y) * width + x) * 3]); };
    QCOMPARE(at(699, 127), uint8_t(0));  // engine dot 0 of label 1, black in the file
    QCOMPARE(at(700, 127), uint8_t(255));
    QCOMPARE(at(700, 120), uint8_t(0));

    QVERIFY(w.exportPdf(pdf, PrintWindow::Scope::CurrentTape));
    QVERIFY(w.exportPdf(pdf, PrintWindow::Scope::WholeHistory));
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(f.readAll());
    QRegularExpression box(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])");
    auto m = box.match(text);
    QVERIFY(m.hasMatch());
    QVERIFY(qAbs(m.captured(1).toDouble() * 25.4 / 72 - 297.0) < 0.1);  // millimetres
    QVERIFY(qAbs(m.captured(2).toDouble() * 25.4 / 72 - 210.0) < 0.1);
    QCOMPARE(text.count(QRegularExpression(R"(/Type /Page\b)")), 3);

    QString error;
    tape_history_clear();
    QVERIFY(!w.exportPdf(dir.path() + "/none.pdf", PrintWindow::Scope::WholeHistory, &error));
    QVERIFY(error.contains("no tape"));
    QVERIFY(!QFile::exists(dir.path() + "/none.pdf"));
    QVERIFY(!w.exportPng(dir.path() + "/missing/x.png", PrintWindow::Scope::CurrentTape, &error));
  }
};

QTEST_MAIN(TapeHistoryWindowTest)
#include "tape_history_window_test.moc"
