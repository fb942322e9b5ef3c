#include "host/qt/print_window.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <vector>

#include "host/cartridge.h"
#include "host/qt/device_controller.h"
#include "host/tape_view.h"

namespace {
constexpr int kLeft = 440, kTop = 53;
constexpr int kClientWidth = 492, kClientHeight = 187;
constexpr int kRightMargin = kClientWidth - TAPE_BOX_WIDTH;  // 11
constexpr int kScrollGap = 8;                                // between the paint area and the scroll bar
constexpr int kScrollHeight = 17;
constexpr int kBottomStrip = 10;  // below the scroll bar

QColor window_colour() { return QColor(TAPE_WINDOW_COLOUR[0], TAPE_WINDOW_COLOUR[1], TAPE_WINDOW_COLOUR[2]); }
}  // namespace

TapeView::TapeView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TapeView::setFirstColumn(size_t first) {
  first_ = first;
  update();
}

void TapeView::setZoom(int zoom) {
  zoom_ = qBound(1, zoom, 8);
  update();
}

int TapeView::boxWidth() const { return qMax(1, width() / zoom_); }

QImage TapeView::picture() const {
  const int w = boxWidth();
  std::vector<uint8_t> rgb(size_t(w) * TAPE_PAINT_HEIGHT * 3);
  tape_paint(rgb.data(), w, first_, cart_get_id(), TAPE_WINDOW_COLOUR);
  // Built directly in the screen's format, so painting needs no conversion.
  QImage image(w, TAPE_PAINT_HEIGHT, QImage::Format_RGB32);
  const uint8_t* src = rgb.data();
  for (int y = 0; y < TAPE_PAINT_HEIGHT; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x, src += 3) line[x] = qRgb(src[0], src[1], src[2]);
  }
  return image;
}

void TapeView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), window_colour());
  // One tape dot is zoom x zoom pixels, never smoothed.
  p.drawImage(QRect(0, 0, boxWidth() * zoom_, TAPE_PAINT_HEIGHT * zoom_), picture());
}

PrintWindow::PrintWindow(DeviceController* controller, QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("PrintFrm"));
  setWindowTitle(QStringLiteral("Print Output"));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, window_colour());
  setPalette(pal);
  setAutoFillBackground(true);

  view_ = new TapeView(this);
  view_->setObjectName(QStringLiteral("TapeImageBox"));
  scroll_bar_ = new QScrollBar(Qt::Horizontal, this);
  scroll_bar_->setObjectName(QStringLiteral("ScrollBar1"));
  scroll_bar_->setMinimum(0);
  scroll_bar_->setMaximum(0);
  scroll_bar_->hide();
  connect(scroll_bar_, &QScrollBar::valueChanged, this, [this](int v) { view_->setFirstColumn(size_t(v)); });

  setMinimumWidth(kClientWidth);
  resize(kClientWidth, kClientHeight);
  move(kLeft, kTop);
  setZoom(1);

  if (controller) {
    connect(controller, &DeviceController::tapeBegun, this, &PrintWindow::tapeBegun);
    connect(controller, &DeviceController::tapeEnded, this, &PrintWindow::tapeEnded);
  }
}

void PrintWindow::placeChildren() {
  int z = view_->zoom();
  int area_width = qMax(1, width() - kRightMargin);
  view_->setGeometry(0, 0, area_width, TAPE_PAINT_HEIGHT * z);
  scroll_bar_->setGeometry(0, TAPE_PAINT_HEIGHT * z + kScrollGap, area_width, kScrollHeight);
  scroll_bar_->setPageStep(view_->boxWidth());
  scroll_bar_->setSingleStep(qMax(1, 8 / z));
}

void PrintWindow::setZoom(int zoom) {
  view_->setZoom(zoom);
  int z = view_->zoom();
  setFixedHeight(TAPE_PAINT_HEIGHT * z + kScrollGap + kScrollHeight + kBottomStrip);
  placeChildren();
  resizeStep();
  update();
}

void PrintWindow::tapeBegun() {
  scroll_bar_->setValue(0);
  view_->setFirstColumn(0);
  show();
  raise();
}

void PrintWindow::tapeEnded() {
  resizeStep();
  update();
  view_->update();
}

void PrintWindow::resizeStep() {
  TapeScroll s = tape_scroll_for(tape_column_count(), view_->boxWidth());
  if (!s.shown) {
    scroll_bar_->hide();
    view_->setFirstColumn(size_t(scroll_bar_->value()));
    return;
  }
  scroll_bar_->show();
  scroll_bar_->setMinimum(0);
  scroll_bar_->setMaximum(s.maximum);
  scroll_bar_->setValue(s.position);  // the newest columns in view
  view_->setFirstColumn(size_t(scroll_bar_->value()));
}

void PrintWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeChildren();
  resizeStep();
}

void PrintWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // The tape keeps a bounded length; say so when its start is gone.
  uint64_t dropped = tape_dropped_columns();
  if (!dropped) return;
  QPainter p(this);
  QFont f = font();
  f.setPixelSize(9);
  p.setFont(f);
  p.setPen(QColor(90, 90, 90));
  int y = scroll_bar_->geometry().bottom() + 1;
  p.drawText(QRect(2, y, width() - 4, height() - y), Qt::AlignLeft | Qt::AlignVCenter,
             tr("%1 oldest columns of this tape are no longer kept").arg(dropped));
}

bool PrintWindow::saveTape(const QString& path) const { return tape_write_png(path.toStdString(), cart_get_id()); }

void PrintWindow::saveTapeAs() {
  QString path = QFileDialog::getSaveFileName(this, tr("Save Tape as PNG"), QStringLiteral("tape.png"),
                                              tr("PNG pictures (*.png)"));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
  if (!saveTape(path))
    QMessageBox::warning(this, tr("Print Output"), tr("The tape could not be saved to %1.").arg(path));
}

void PrintWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(tr("Save Tape as PNG..."), this, &PrintWindow::saveTapeAs);
  menu.addSeparator();
  for (int z : {1, 2, 4}) {
    QAction* a = menu.addAction(tr("Zoom %1x").arg(z), this, [this, z] { setZoom(z); });
    a->setCheckable(true);
    a->setChecked(view_->zoom() == z);
  }
  menu.exec(event->globalPos());
}
