#include "host/qt/real_size_calibration.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

namespace {
QString key_for(const QScreen* screen) {
  return QStringLiteral("realSize/%1-%2x%3")
      .arg(screen->name().isEmpty() ? QStringLiteral("screen") : screen->name())
      .arg(screen->geometry().width())
      .arg(screen->geometry().height());
}
constexpr int kBarTop = 16, kBarHeight = 24, kMargin = 16;
}  // namespace

double calibrated_px_per_mm(const QScreen* screen) {
  if (!screen) return 0;
  const double v = QSettings(QStringLiteral("klx80"), QStringLiteral("windows")).value(key_for(screen), 0.0).toDouble();
  return v > 0.5 && v < 100 ? v : 0;
}

void keep_calibration(const QScreen* screen, double px_per_mm) {
  if (screen) QSettings(QStringLiteral("klx80"), QStringLiteral("windows")).setValue(key_for(screen), px_per_mm);
}

RealSizeCalibration::RealSizeCalibration(double shown_px_per_mm, QWidget* parent)
    : QDialog(parent), shown_(shown_px_per_mm) {
  setWindowTitle(QStringLiteral("Calibrate Real Size"));
  measured_ = new QDoubleSpinBox(this);
  measured_->setObjectName(QStringLiteral("MeasuredMm"));
  measured_->setRange(kBarMm / 2, kBarMm * 2);
  measured_->setDecimals(1);
  measured_->setSingleStep(0.5);
  measured_->setSuffix(QStringLiteral(" mm"));
  measured_->setValue(kBarMm);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Hold a ruler to the bar above. It measures"), this));
  row->addWidget(measured_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(kMargin, kBarTop + kBarHeight + 12, kMargin, kMargin);
  column->addLayout(row);
  column->addWidget(buttons);
  setMinimumWidth(int(kBarMm * shown_) + 2 * kMargin);
}

void RealSizeCalibration::setMeasuredMm(double mm) { measured_->setValue(mm); }

double RealSizeCalibration::pxPerMm() const { return shown_ * kBarMm / measured_->value(); }

void RealSizeCalibration::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter p(this);
  const double length = kBarMm * shown_;
  p.fillRect(QRectF(kMargin, kBarTop, length, kBarHeight), Qt::black);
  p.setPen(Qt::white);
  p.drawText(QRectF(kMargin, kBarTop, length, kBarHeight), Qt::AlignCenter, QStringLiteral("100 mm"));
}
