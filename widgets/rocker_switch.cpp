#include "widgets/rocker_switch.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

RockerSwitch::RockerSwitch(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setBold(true);
  setFont(f);
  setPushButtonMode(true);
}

void RockerSwitch::setOrientation(Qt::Orientation orientation) {
  orientation_ = orientation;
  updateGeometry();
  update();
}

void RockerSwitch::setPushButtonMode(bool on) {
  setCheckable(!on);
  update();
}

void RockerSwitch::setTextColour(const QColor& colour) {
  text_colour_ = colour;
  update();
}

void RockerSwitch::setLedColours(const QColor& on, const QColor& off) {
  led_on_ = on;
  led_off_ = off;
  update();
}

QSize RockerSwitch::sizeHint() const { return orientation_ == Qt::Vertical ? QSize(41, 113) : QSize(113, 41); }

void RockerSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn upright; a horizontal switch is the same picture turned a quarter.
  qreal w = width(), h = height();
  if (orientation_ == Qt::Horizontal) {
    p.translate(w, 0);
    p.rotate(90);
    std::swap(w, h);
  }
  const bool on = isOn();

  // Bezel: a dark moulded frame.
  QRectF bezel(0.5, 0.5, w - 1, h - 1);
  QLinearGradient frame(0, 0, w, 0);
  frame.setColorAt(0, QColor(58, 62, 68));
  frame.setColorAt(0.5, QColor(36, 39, 43));
  frame.setColorAt(1, QColor(24, 26, 29));
  p.setPen(QPen(QColor(14, 15, 17), 1));
  p.setBrush(frame);
  p.drawRoundedRect(bezel, 7, 7);

  // Lamp at the top.
  qreal r = qMin(w, h) * 0.11;
  QPointF led(w / 2, 6 + r);
  QColor lamp = ledColour();
  if (on || lit_) {
    QRadialGradient glow(led, r * 2.6);
    QColor halo = lamp;
    halo.setAlpha(110);
    glow.setColorAt(0, halo);
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(led, r * 2.6, r * 2.6);
  }
  QRadialGradient bulb(led - QPointF(r * 0.35, r * 0.35), r * 1.4);
  bulb.setColorAt(0, lamp.lighter(on ? 160 : 130));
  bulb.setColorAt(1, lamp.darker(on ? 110 : 160));
  p.setPen(QPen(QColor(10, 10, 10), 1));
  p.setBrush(bulb);
  p.drawEllipse(led, r, r);

  // The paddle rocks about its middle: the half that is pushed in is darker.
  QRectF well(5, 6 + 2 * r + 6, w - 10, h - (6 + 2 * r + 6) - 6);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(12, 13, 15));
  p.drawRoundedRect(well, 5, 5);
  QRectF paddle = well.adjusted(2, 2, -2, -2);
  QLinearGradient face(0, paddle.top(), 0, paddle.bottom());
  QColor light(240, 241, 243), mid(212, 215, 219), dark(168, 172, 178);
  if (on) {
    face.setColorAt(0, dark);
    face.setColorAt(0.48, mid);
    face.setColorAt(0.52, light);
    face.setColorAt(1, mid);
  } else {
    face.setColorAt(0, light);
    face.setColorAt(0.48, mid);
    face.setColorAt(0.52, dark.lighter(115));
    face.setColorAt(1, dark);
  }
  p.setBrush(face);
  p.setPen(QPen(QColor(90, 94, 100), 1));
  p.drawRoundedRect(paddle, 4, 4);
  // Grip ridges on the half that stands out.
  p.setPen(QPen(QColor(0, 0, 0, 40), 1));
  qreal half = paddle.height() / 2;
  qreal y0 = on ? paddle.center().y() + half * 0.55 : paddle.top() + half * 0.2;
  for (int i = 0; i < 3; ++i) {
    qreal y = y0 + i * 4;
    p.drawLine(QPointF(paddle.left() + 5, y), QPointF(paddle.right() - 5, y));
  }

  // Caption across the middle.
  if (!text().isEmpty()) {
    p.setPen(text_colour_);
    p.setFont(font());
    QRectF label(paddle.left(), paddle.center().y() - 9, paddle.width(), 18);
    p.drawText(label, Qt::AlignCenter, text());
  }
  if (!isEnabled()) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 128, 128, 120));
    p.drawRoundedRect(bezel, 7, 7);
  }
}

void RockerSwitch::setLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update();
}
