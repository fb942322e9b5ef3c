#include "widgets/dial.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QWheelEvent>
#include <QtMath>

namespace {
// The scale runs clockwise over 270 degrees, from lower left to lower right.
constexpr double kStartAngle = 225.0;
constexpr double kSweep = 270.0;
}  // namespace

Dial::Dial(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void Dial::setName(const QString& name) {
  name_ = name;
  update();
}

void Dial::setUnit(const QString& unit) {
  unit_ = unit;
  update();
}

void Dial::setRange(double minimum, double maximum) {
  if (maximum < minimum) std::swap(minimum, maximum);
  minimum_ = minimum;
  maximum_ = maximum;
  setValue(value_);
  update();
}

void Dial::setScale(int steps, int sub_steps) {
  steps_ = qMax(1, steps);
  sub_steps_ = qMax(1, sub_steps);
  update();
}

void Dial::setValueFormat(const QString& format) {
  format_ = format;
  update();
}

void Dial::setValue(double value) {
  value = qBound(minimum_, value, maximum_);
  if (value == value_) return;
  value_ = value;
  update();
  emit valueChanged(value_);
}

QString Dial::formatNumber(double value, const QString& format) {
  int dot = format.indexOf('.');
  QString whole = dot < 0 ? format : format.left(dot);
  QString frac = dot < 0 ? QString() : format.mid(dot + 1);
  int min_int = int(whole.count('0'));
  int min_frac = int(frac.count('0'));
  int max_frac = int(frac.size());
  QString text = QString::number(value, 'f', max_frac);
  if (max_frac > min_frac) {
    int cut = int(text.size());
    int kept = max_frac;
    while (kept > min_frac && text[cut - 1] == '0') --cut, --kept;
    if (kept == 0) --cut;  // no decimals left: drop the point too
    text.truncate(cut);
  }
  bool negative = text.startsWith('-');
  if (negative) text.remove(0, 1);
  int int_digits = int(text.indexOf('.') < 0 ? text.size() : text.indexOf('.'));
  if (int_digits < min_int) text.prepend(QString(min_int - int_digits, '0'));
  if (negative && text != "0") text.prepend('-');
  return text;
}

QString Dial::valueText() const {
  QString text = formatNumber(value_, format_);
  return unit_.isEmpty() ? text : text + ' ' + unit_;
}

QSize Dial::sizeHint() const { return {105, 137}; }

double Dial::stepSize() const { return (maximum_ - minimum_) / steps_; }
double Dial::subStepSize() const { return stepSize() / sub_steps_; }

void Dial::stepBy(double size, int count) {
  if (size <= 0) return;
  double marks = std::round((value_ - minimum_) / size);
  setValue(minimum_ + (marks + count) * size);
}

QPointF Dial::centre() const { return {width() / 2.0, 20 + radius() + 8}; }
qreal Dial::radius() const { return qMin(width() / 2.0 - 14, (height() - 58) / 2.0); }

double Dial::valueAt(const QPointF& pos) const {
  QPointF d = pos - centre();
  double a = qRadiansToDegrees(std::atan2(-d.y(), d.x()));
  if (a < -45) a += 360;
  double t = (kStartAngle - a) / kSweep;
  if (t < 0) t = a < 270 ? 0 : 1;  // in the gap at the bottom: the nearer end
  double v = minimum_ + qBound(0.0, t, 1.0) * (maximum_ - minimum_);
  double fine = subStepSize() / 2;  // half a sub-step by mouse
  return fine > 0 ? minimum_ + std::round((v - minimum_) / fine) * fine : v;
}

void Dial::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp:
      stepBy(stepSize(), 1);
      break;
    case Qt::Key_PageDown:
      stepBy(stepSize(), -1);
      break;
    case Qt::Key_Up:
    case Qt::Key_Right:
      stepBy(subStepSize(), 1);
      break;
    case Qt::Key_Down:
    case Qt::Key_Left:
      stepBy(subStepSize(), -1);
      break;
    case Qt::Key_Home:
      setValue(minimum_);
      break;
    case Qt::Key_End:
      setValue(maximum_);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void Dial::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  QPointF d = event->position() - centre();
  if (std::hypot(d.x(), d.y()) <= radius() + 12) setValue(valueAt(event->position()));
}

void Dial::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) setValue(valueAt(event->position()));
}

void Dial::wheelEvent(QWheelEvent* event) {
  int notches = event->angleDelta().y() / 120;
  if (notches) stepBy(subStepSize(), notches);
  event->accept();
}

void Dial::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c = centre();
  const qreal r = radius();
  auto at = [&](double value, qreal radius) {
    double t = (value - minimum_) / (maximum_ - minimum_);
    double a = qDegreesToRadians(kStartAngle - t * kSweep);
    return QPointF(c.x() + radius * std::cos(a), c.y() - radius * std::sin(a));
  };

  // Name.
  QFont small = font();
  small.setPixelSize(11);
  small.setBold(true);
  p.setFont(small);
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(QRectF(0, 0, width(), 16), Qt::AlignCenter, name_);

  // Scale: a tick per sub-step, longer ones with figures at the steps.
  QFont figures = font();
  figures.setPixelSize(9);
  p.setFont(figures);
  int marks = steps_ * sub_steps_;
  for (int i = 0; i <= marks; ++i) {
    double v = minimum_ + (maximum_ - minimum_) * i / marks;
    bool major = i % sub_steps_ == 0;
    p.setPen(QPen(palette().color(QPalette::WindowText), major ? 1.6 : 0.9));
    p.drawLine(at(v, r + 2), at(v, r + (major ? 8 : 5)));
    if (major) {
      QPointF t = at(v, r + 14);
      p.drawText(QRectF(t.x() - 12, t.y() - 6, 24, 12), Qt::AlignCenter, formatNumber(v, format_));
    }
  }

  // Knob: a domed metal cap with a pointer dot and line.
  QRadialGradient cap(c - QPointF(r * 0.35, r * 0.45), r * 1.3);
  cap.setColorAt(0, QColor(250, 250, 250));
  cap.setColorAt(0.6, QColor(196, 199, 204));
  cap.setColorAt(1, QColor(128, 132, 138));
  p.setPen(QPen(QColor(70, 72, 76), 1.2));
  p.setBrush(cap);
  p.drawEllipse(c, r, r);
  QLinearGradient ring(c.x(), c.y() - r, c.x(), c.y() + r);
  ring.setColorAt(0, QColor(255, 255, 255, 90));
  ring.setColorAt(1, QColor(0, 0, 0, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(ring);
  p.drawEllipse(c, r * 0.72, r * 0.72);
  QColor needle(200, 40, 32);
  p.setPen(QPen(needle, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(at(value_, r * 0.25), at(value_, r * 0.82));
  p.setPen(Qt::NoPen);
  p.setBrush(needle);
  p.drawEllipse(at(value_, r * 0.82), 2.6, 2.6);

  // Value readout in a small window.
  QRectF readout(width() / 2.0 - 30, height() - 22, 60, 18);
  p.setPen(QPen(QColor(90, 92, 96), 1));
  p.setBrush(QColor(28, 32, 30));
  p.drawRoundedRect(readout, 3, 3);
  QFont digits = font();
  digits.setPixelSize(12);
  digits.setBold(true);
  p.setFont(digits);
  p.setPen(QColor(120, 235, 120));
  p.drawText(readout, Qt::AlignCenter, valueText());

  if (hasFocus()) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r + 2, r + 2);
  }
}
