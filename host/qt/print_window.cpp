#include "host/qt/print_window.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "host/seam/cartridge.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/qt/real_size_calibration.h"
#include "host/qt/real_size_view.h"
#include "host/qt/tape_printout.h"
#include "host/qt/tape_source_bar.h"
#include "host/files/tape_view.h"

namespace {
constexpr int kLeft = 440, kTop = 53;
constexpr int kClientWidth = 492;
constexpr int kRightMargin = kClientWidth - TAPE_BOX_WIDTH;  // 11
constexpr int kScrollGap = 8;                                // between the paint area and the scroll bar
constexpr int kScrollHeight = 17;
constexpr double kMinZoom = 0.125, kMaxZoom = 8;

QColor window_colour() { return QColor(TAPE_WINDOW_COLOUR[0], TAPE_WINDOW_COLOUR[1], TAPE_WINDOW_COLOUR[2]); }
}  // namespace

TapeView::TapeView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TapeView::setFirstColumn(size_t first) {
  first_ = first;
  update();
}

void TapeView::setColumns(const std::vector<TapeColumn>* columns, uint8_t cartridge_id) {
  columns_ = columns;
  cartridge_id_ = cartridge_id;
  update();
}

void TapeView::setZoom(double zoom) {
  zoom_ = qBound(kMinZoom, zoom, kMaxZoom);
  update();
}

void TapeView::setTopRow(int row) {
  top_row_ = qMax(0, row);
  update();
}

int TapeView::boxWidth() const { return qMax(1, int(width() / zoom_)); }

QImage TapeView::picture() const {
  const int w = boxWidth();
  std::vector<uint8_t> rgb(size_t(w) * TAPE_PAINT_HEIGHT * 3);
  if (columns_)
    tape_paint_columns(rgb.data(), w, *columns_, first_, cartridge_id_, TAPE_WINDOW_COLOUR);
  else
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
  // A dot is zoom x zoom pixels, never smoothed when it is a pixel or more.
  p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1);
  const QImage image = picture();
  p.drawImage(QRectF(0, -top_row_, image.width() * zoom_, TAPE_PAINT_HEIGHT * zoom_), image);
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
  real_ = new RealSizeView(this);
  real_->setObjectName(QStringLiteral("RealSizeView"));
  real_->hide();
  scroll_bar_ = new QScrollBar(Qt::Horizontal, this);
  scroll_bar_->setObjectName(QStringLiteral("ScrollBar1"));
  scroll_bar_->setMinimum(0);
  scroll_bar_->setMaximum(0);
  scroll_bar_->hide();
  connect(scroll_bar_, &QScrollBar::valueChanged, this, [this](int v) {
    view_->setFirstColumn(size_t(v));
    real_->setFirstColumn(size_t(v));
  });
  vertical_bar_ = new QScrollBar(Qt::Vertical, this);
  vertical_bar_->hide();
  connect(vertical_bar_, &QScrollBar::valueChanged, view_, &TapeView::setTopRow);

  bar_ = new TapeSourceBar(this);
  connect(bar_, &TapeSourceBar::sourceChanged, this, &PrintWindow::sourceChanged);
  connect(bar_, &TapeSourceBar::zoomChanged, this, &PrintWindow::applyZoom);
  QMenu* save = bar_->saveMenu();
  save->addAction(tr("Current Tape as PNG..."), this, &PrintWindow::saveTapePngAs);
  save->addAction(tr("Current Tape as PDF (real size)..."), this, &PrintWindow::saveTapePdfAs);
  save->addSeparator();
  save->addAction(tr("Whole History as PNG..."), this, &PrintWindow::saveHistoryPngAs);
  save->addAction(tr("Whole History as PDF (real size)..."), this, &PrintWindow::saveHistoryPdfAs);

  setMinimumWidth(kClientWidth);
  resize(kClientWidth, TAPE_PAINT_HEIGHT + kScrollGap + kScrollHeight + bar_->sizeHint().height());
  move(kLeft, kTop);
  applyZoom();

  if (controller) {
    connect(controller, &DeviceController::tapeBegun, this, &PrintWindow::tapeBegun);
    connect(controller, &DeviceController::tapeEnded, this, &PrintWindow::tapeEnded);
  }
}

PrintWindow::~PrintWindow() = default;

bool PrintWindow::realSize() const { return bar_->zoom() == TapeSourceBar::Zoom::RealSize; }

size_t PrintWindow::columnCount() const {
  if (realSize()) return real_->columnCount();
  return bar_->source() == TapeSourceBar::kCurrentTape ? tape_column_count() : shown_columns_.size();
}

int PrintWindow::boxWidth() const { return realSize() ? real_->boxWidth() : view_->boxWidth(); }

void PrintWindow::placeChildren() {
  const int area_width = qMax(1, width() - kRightMargin);
  const int h = view_height_;
  view_->setGeometry(0, 0, area_width, h);
  real_->setGeometry(0, 0, area_width, h);
  const int content = int(std::ceil(TAPE_PAINT_HEIGHT * view_->zoom()));
  const bool tall = !realSize() && content > h;
  vertical_bar_->setGeometry(area_width, 0, kRightMargin, h);
  vertical_bar_->setRange(0, tall ? content - h : 0);
  vertical_bar_->setPageStep(h);
  vertical_bar_->setVisible(tall);
  if (!tall) view_->setTopRow(0);
  scroll_bar_->setGeometry(0, h + kScrollGap, area_width, kScrollHeight);
  scroll_bar_->setPageStep(boxWidth());
  scroll_bar_->setSingleStep(qMax(1, int(8 / view_->zoom())));
  bar_->setGeometry(0, h + kScrollGap + kScrollHeight, width(), bar_->sizeHint().height());
}

int PrintWindow::roomBelow() const {
  // The client height from this window's top down to the foot of its
  // screen's free area, or to the top of the window kept clear when it lies
  // below this one.
  const QScreen* shown_on = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!shown_on) return INT_MAX / 2;
  const int frame_below = frameGeometry().bottom() - geometry().bottom();
  int foot = shown_on->availableGeometry().bottom() + 1;
  if (const QWidget* w = keep_clear_of_; w && w->isVisible()) {
    const QRect other = w->frameGeometry();
    const QRect mine = frameGeometry();
    if (other.left() <= mine.right() && other.right() >= mine.left() && other.top() > mine.top())
      foot = qMin(foot, other.top());
  }
  return foot - geometry().top() - frame_below;
}

void PrintWindow::makeRoom(int client_height) {
  // Moved up, as far as the screen's top, when the window would run off its foot.
  const QScreen* shown_on = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!shown_on) return;
  const int short_by = client_height - roomBelow();
  const int up = qMin(short_by, frameGeometry().top() - shown_on->availableGeometry().top());
  if (up > 0) move(pos().x(), pos().y() - up);
}

void PrintWindow::applyZoom() {
  using Zoom = TapeSourceBar::Zoom;
  const Zoom mode = bar_->zoom();
  const bool real = mode == Zoom::RealSize;
  if (mode == Zoom::X1 || mode == Zoom::X2 || mode == Zoom::X4) zoom_ = mode == Zoom::X1 ? 1 : mode == Zoom::X2 ? 2 : 4;
  if (mode == Zoom::FitLabel) {
    // The newest label of what is shown fills the width.
    std::vector<TapeLabel> labels = bar_->source() == TapeSourceBar::kCurrentTape ? tape_printout::current_tape()
                                                                                  : std::vector<TapeLabel>{};
    size_t label_columns = labels.empty() ? shown_columns_.size() : labels.back().width;
    if (bar_->source() == TapeSourceBar::kWholeHistory) {
      TapeLabel last;
      if (tape_history_label(tape_history_count() - 1, last, false)) label_columns = last.width;
    }
    zoom_ = label_columns ? double(qMax(1, width() - kRightMargin)) / double(label_columns) : 1.0;
    // ... and its whole height shows on the screen.
    const int extras = kScrollGap + kScrollHeight + bar_->sizeHint().height();
    const QScreen* shown_on = screen() ? screen() : QGuiApplication::primaryScreen();
    if (shown_on) {
      const int frame_height = frameGeometry().height() - height();
      const int tallest = shown_on->availableGeometry().height() - frame_height - extras;
      zoom_ = qMin(zoom_, qMax(1.0, double(tallest) / TAPE_PAINT_HEIGHT));
    }
  }
  view_->setZoom(zoom_);
  zoom_ = view_->zoom();
  if (real) real_->setLabels(labelsShown());
  real_->setVisible(real);
  view_->setVisible(!real);

  const int content = real ? real_->stripHeight() : int(std::ceil(TAPE_PAINT_HEIGHT * zoom_));
  const int extras = kScrollGap + kScrollHeight + bar_->sizeHint().height();
  // The whole zoomed tape where the screen allows (the window moves up for
  // it); never below the 1x picture; what is still taller scrolls.
  makeRoom(content + extras);
  view_height_ = qMin(content, qMax(roomBelow() - extras, qMin(content, TAPE_PAINT_HEIGHT)));
  setFixedHeight(view_height_ + extras);
  placeChildren();
  resizeStep();
  if (mode == Zoom::FitLabel && bar_->source() != TapeSourceBar::kCurrentTape && !shown_columns_.empty()) {
    TapeLabel last;  // the whole history: the newest label in view
    if (bar_->source() == TapeSourceBar::kWholeHistory && tape_history_label(tape_history_count() - 1, last, false))
      scroll_bar_->setValue(int(shown_columns_.size() - last.width));
  }
  update();
}

void PrintWindow::setZoom(int zoom) {
  bar_->setZoom(zoom >= 4 ? TapeSourceBar::Zoom::X4 : zoom == 2 ? TapeSourceBar::Zoom::X2 : TapeSourceBar::Zoom::X1);
  applyZoom();
}

void PrintWindow::fitLabel() {
  bar_->setZoom(TapeSourceBar::Zoom::FitLabel);
  applyZoom();
}

void PrintWindow::setRealSize(bool on) {
  bar_->setZoom(on ? TapeSourceBar::Zoom::RealSize : TapeSourceBar::Zoom::X1);
  applyZoom();
}

std::vector<TapeLabel> PrintWindow::labelsOf(Scope scope) const {
  return scope == Scope::WholeHistory ? tape_history_labels() : tape_printout::current_tape();
}

std::vector<TapeLabel> PrintWindow::labelsShown() const {
  const int64_t source = bar_->source();
  if (source == TapeSourceBar::kCurrentTape) return tape_printout::current_tape();
  std::vector<TapeLabel> labels = tape_history_labels();
  if (source != TapeSourceBar::kWholeHistory)
    labels.erase(std::remove_if(labels.begin(), labels.end(),
                                [source](const TapeLabel& l) { return l.number != uint64_t(source); }),
                 labels.end());
  return labels;
}

void PrintWindow::sourceChanged() {
  const bool current = bar_->source() == TapeSourceBar::kCurrentTape;
  shown_columns_.clear();
  uint8_t cartridge = 0;
  if (!current)
    for (const TapeLabel& label : labelsShown()) {
      shown_columns_.insert(shown_columns_.end(), label.columns.begin(), label.columns.end());
      cartridge = label.cartridge;
    }
  view_->setColumns(current ? nullptr : &shown_columns_, cartridge);
  scroll_bar_->setValue(0);
  applyZoom();
}

void PrintWindow::tapeBegun() {
  // A new label goes back to the device's tape, exactly as before.
  bar_->setSource(TapeSourceBar::kCurrentTape);
  scroll_bar_->setValue(0);
  view_->setFirstColumn(0);
  show();
  raise();
}

void PrintWindow::tapeEnded() {
  bar_->refresh();
  // The tape keeps a bounded length; say so when its start is gone.
  const uint64_t dropped = tape_dropped_columns();
  bar_->setNotice(dropped ? tr("%1 oldest columns of this tape are no longer kept").arg(dropped) : QString());
  if (bar_->source() == TapeSourceBar::kCurrentTape && bar_->zoom() >= TapeSourceBar::Zoom::FitLabel)
    applyZoom();
  else
    resizeStep();
  update();
  view_->update();
}

void PrintWindow::resizeStep() {
  TapeScroll s = tape_scroll_for(columnCount(), boxWidth());
  if (!s.shown) {
    // The whole tape fits: show it from its start (an old scroll position
    // would hide the start of the label with no scroll bar to reach it).
    scroll_bar_->hide();
    scroll_bar_->setValue(0);
    view_->setFirstColumn(0);
    real_->setFirstColumn(0);
    return;
  }
  scroll_bar_->show();
  scroll_bar_->setMinimum(0);
  scroll_bar_->setMaximum(s.maximum);
  scroll_bar_->setValue(s.position);  // the newest columns in view
  view_->setFirstColumn(size_t(scroll_bar_->value()));
  real_->setFirstColumn(size_t(scroll_bar_->value()));
}

void PrintWindow::wheelEvent(QWheelEvent* event) {
  // Either wheel direction moves along the tape, a few dots a notch.
  QPoint delta = event->angleDelta();
  int steps = (delta.x() ? delta.x() : -delta.y()) / 40;
  if (scroll_bar_->isVisible() && steps) scroll_bar_->setValue(scroll_bar_->value() + steps * 8 * 3);
  event->accept();
}

void PrintWindow::keyPressEvent(QKeyEvent* event) {
  const int page = scroll_bar_->pageStep();
  switch (event->key()) {
    case Qt::Key_Home:
      scroll_bar_->setValue(0);
      break;
    case Qt::Key_End:
      scroll_bar_->setValue(scroll_bar_->maximum());
      break;
    case Qt::Key_PageUp:
      scroll_bar_->setValue(scroll_bar_->value() - page);
      break;
    case Qt::Key_PageDown:
      scroll_bar_->setValue(scroll_bar_->value() + page);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void PrintWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeChildren();
  resizeStep();
}

bool PrintWindow::saveTape(const QString& path) const { return tape_write_png(path.toStdString(), cart_get_id()); }

bool PrintWindow::exportPng(const QString& path, Scope scope, QString* error) const {
  QString message;
  const bool ok = tape_printout::write_png(path, labelsOf(scope), message);
  if (error) *error = message;
  return ok;
}

bool PrintWindow::exportPdf(const QString& path, Scope scope, QString* error) const {
  QString message;
  const bool ok = tape_printout::write_pdf(path, labelsOf(scope), message);
  if (error) *error = message;
  return ok;
}

void PrintWindow::saveAs(Scope scope, bool pdf) {
  const QString suffix = pdf ? QStringLiteral(".pdf") : QStringLiteral(".png");
  const QString name = (scope == Scope::WholeHistory ? QStringLiteral("tape-history") : QStringLiteral("tape")) + suffix;
  const QString what = scope == Scope::WholeHistory ? tr("Whole History") : tr("Tape");
  QString path = QFileDialog::getSaveFileName(this, tr("Save %1 as %2").arg(what, pdf ? tr("PDF") : tr("PNG")), name,
                                              pdf ? tr("PDF documents (*.pdf)") : tr("PNG pictures (*.png)"));
  if (path.isEmpty()) return;
  if (!path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
  QString error;
  if (!(pdf ? exportPdf(path, scope, &error) : exportPng(path, scope, &error)))
    QMessageBox::warning(this, DeviceWindow::programName(), error);
}

void PrintWindow::copyTape() {
  const std::vector<TapeLabel> labels = labelsShown();
  if (tape_printout::total_columns(labels) > 0) QGuiApplication::clipboard()->setImage(tape_printout::picture(labels));
}

void PrintWindow::saveTapePngAs() { saveAs(Scope::CurrentTape, false); }
void PrintWindow::saveTapePdfAs() { saveAs(Scope::CurrentTape, true); }
void PrintWindow::saveHistoryPngAs() { saveAs(Scope::WholeHistory, false); }
void PrintWindow::saveHistoryPdfAs() { saveAs(Scope::WholeHistory, true); }

void PrintWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addActions(bar_->saveMenu()->actions());
  menu.addSeparator();
  const auto mode = bar_->zoom();
  const QStringList names = {tr("Zoom 1x"), tr("Zoom 2x"), tr("Zoom 4x"), tr("Fit Label"), tr("Real Size")};
  for (int i = 0; i < names.size(); ++i) {
    QAction* a = menu.addAction(names[i], this, [this, i] {
      bar_->setZoom(TapeSourceBar::Zoom(i));
      applyZoom();
    });
    a->setCheckable(true);
    a->setChecked(int(mode) == i);
  }
  menu.addAction(tr("Calibrate Real Size..."), this, &PrintWindow::calibrateRealSize);
  menu.exec(event->globalPos());
}

void PrintWindow::calibrateRealSize() {
  RealSizeCalibration dialog(real_->pxPerMm(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  keep_calibration(real_->screen(), dialog.pxPerMm());
  applyZoom();
}
