#include "host/qt/real_size_view.h"

#include <QFontInfo>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "host/qt/real_size_calibration.h"
#include "host/qt/tape_printout.h"

namespace {
constexpr double kMarginMm = 1.0;
constexpr double kFallbackDpi = 96.0;  // a screen that reports no size
}  // namespace

RealSizeView::RealSizeView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void RealSizeView::setLabels(std::vector<TapeLabel> labels) {
  labels_ = std::move(labels);
  columns_ = tape_printout::total_columns(labels_);
  update();
}

void RealSizeView::setFirstColumn(size_t first) {
  first_ = first;
  update();
}

double RealSizeView::pxPerMm() const {
  if (px_per_mm_ > 0) return px_per_mm_;
  if (double kept = calibrated_px_per_mm(screen()); kept > 0) return kept;
  double dpi = screen() ? screen()->physicalDotsPerInchX() : 0;
  if (!(dpi > 10 && dpi < 2000)) dpi = kFallbackDpi;
  return dpi / 25.4;
}

void RealSizeView::setPxPerMm(double px_per_mm) {
  px_per_mm_ = px_per_mm;
  update();
}

int RealSizeView::boxWidth() const {
  const double dot = pxPerMm() / TAPE_DOTS_PER_MM;
  return std::max(1, int((width() - 2 * kMarginMm * pxPerMm()) / dot));
}

double RealSizeView::textPx() const { return QFontInfo(font()).pixelSize(); }

double RealSizeView::textRoom() const {
  return std::max(0.0, 1.2 * textPx() - (tape_printout::kCaptionMm * pxPerMm()));
}

int RealSizeView::stripHeight() const {
  return int(std::ceil((tape_printout::kStripMm + 2 * kMarginMm) * pxPerMm() + 1.5 * textRoom()));
}

void RealSizeView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const double s = pxPerMm();
  const size_t first = std::min(first_, columns_);
  const size_t count = std::min(columns_ - first, size_t(boxWidth()));
  if (count == 0) return;
  p.setRenderHint(QPainter::Antialiasing);
  // The captions and numbers at least as large as the window's own text.
  tape_printout::paint_strip(p, labels_, first, count, QPointF(kMarginMm * s, kMarginMm * s + 0.5 * textRoom()), s,
                             textPx());
}
