#include "host/qt/device_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "host/seam/mirror.h"
#include "host/qt/device_layout.h"

namespace device_art {
namespace {

using layout::Key;
using layout::KeyStyle;

// The device is laid out symmetrically about the keypad's centre line.
constexpr qreal kAxis = 184.5;
const QRectF kShell(12.5, 4.5, 344, 625);   // rubber overmould
const QRectF kFace(26.5, 20.5, 316, 594);   // satin front plate
const QRectF kBezel(36.5, 42.5, 296, 166);  // dark display surround
const QRectF kLcdWindow(44, 60, 272, 136);  // recess around the LCD picture

QFont ui_font(int pixels, bool bold = true, bool condensed = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  if (condensed) f.setStretch(QFont::SemiCondensed);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

}  // namespace

// Letter and digit keys are drawn 41 x 21 on an even 36-pixel row pitch, each
// inside its hot area, so a click on a drawn key always lands on it.
QRectF keycap_rect(const Key& k) {
  const QRect& a = k.area;
  switch (k.style) {
    case KeyStyle::Letter:
    case KeyStyle::Digit: {
      static const int columns[5] = {56, 112, 164, 216, 272};
      int column = 0;
      for (int i = 0; i < 5; ++i)
        if (a.left() <= columns[i] && columns[i] + 41 <= a.left() + a.width()) column = i;
      int row = int(std::lround((a.top() + a.height() / 2.0 - 350.5) / 36.0));
      if (row >= 7) return QRectF(a.left(), 592, a.width(), 21);  // Z, as wide as its area
      return QRectF(columns[column], 340 + 36 * row, 41, 21);
    }
    case KeyStyle::Func:
    case KeyStyle::Space:
      return QRectF(a.left(), 592, a.width(), 21);
    case KeyStyle::Print:
    case KeyStyle::Delete:
    case KeyStyle::Command:
      return QRectF(a.left(), a.top(), 73, a.height());
    default:
      return QRectF(a);
  }
}

namespace {

struct CapColours {
  QColor top, bottom, edge, legend, shifted;
};

CapColours colours_for(KeyStyle style) {
  switch (style) {
    case KeyStyle::Print:
      return {{74, 168, 96}, {38, 122, 62}, {22, 84, 40}, Qt::white, {208, 240, 214}};
    case KeyStyle::Delete:
      return {{214, 88, 72}, {168, 52, 42}, {112, 30, 24}, Qt::white, {255, 214, 206}};
    case KeyStyle::Command:
      return {{104, 111, 120}, {70, 76, 84}, {40, 44, 49}, Qt::white, {150, 200, 255}};
    case KeyStyle::Func:
      return {{72, 142, 222}, {36, 98, 178}, {20, 62, 120}, Qt::white, Qt::white};
    default:
      return {{252, 252, 250}, {218, 220, 222}, {150, 154, 160}, {34, 36, 40}, {32, 96, 196}};
  }
}

void draw_keycap(QPainter& p, const QRectF& r, qreal radius, const CapColours& c) {
  // Drop shadow on the plate, then the cap's skirt, then its dished top.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 34));
  p.drawRoundedRect(r.translated(0, 2.2).adjusted(-0.6, 0, 0.6, 0.4), radius + 0.6, radius + 0.6);
  p.setBrush(QColor(0, 0, 0, 26));
  p.drawRoundedRect(r.translated(0, 1.0), radius, radius);

  QLinearGradient skirt(r.topLeft(), r.bottomLeft());
  skirt.setColorAt(0, c.top);
  skirt.setColorAt(1, c.bottom);
  p.setPen(QPen(c.edge, 0.9));
  p.setBrush(skirt);
  p.drawRoundedRect(r, radius, radius);

  QRectF top = r.adjusted(2.2, 1.4, -2.2, -3.2);
  QLinearGradient dish(top.topLeft(), top.bottomLeft());
  dish.setColorAt(0, c.top.lighter(104));
  dish.setColorAt(1, c.top.darker(103));
  p.setPen(Qt::NoPen);
  p.setBrush(dish);
  p.drawRoundedRect(top, radius - 1, radius - 1);
  p.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
  p.drawLine(QPointF(top.left() + radius, top.top() + 0.4), QPointF(top.right() - radius, top.top() + 0.4));
}

void draw_legend(QPainter& p, const QRectF& cap, const Key& k, const CapColours& c) {
  QRectF face = cap.adjusted(2, 1, -2, -3);
  bool big = k.style == KeyStyle::Letter || k.style == KeyStyle::Digit;
  if (big) {
    p.setFont(ui_font(14));
    p.setPen(c.legend);
    QRectF main = face;
    if (!k.shifted.isEmpty()) main.setRight(face.right() - 9);
    p.drawText(main, Qt::AlignCenter, k.legend);
    if (!k.shifted.isEmpty()) {
      p.setFont(ui_font(k.shifted.size() > 1 ? 7 : 9, true, true));
      p.setPen(c.shifted);
      p.drawText(face.adjusted(0, 0.5, -2, 0), Qt::AlignRight | Qt::AlignTop, k.shifted);
    }
    return;
  }
  if (k.shifted.isEmpty()) {
    p.setFont(ui_font(11));
    p.setPen(c.legend);
    p.drawText(face, Qt::AlignCenter, k.legend);
    return;
  }
  // A word and its Func meaning: the word above, the Func word small below.
  bool tall = face.height() >= 26;
  p.setFont(ui_font(tall ? 12 : 11));
  p.setPen(c.legend);
  QRectF upper = face;
  upper.setBottom(face.top() + face.height() * (tall ? 0.64 : 0.62));
  p.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, k.legend);
  p.setFont(ui_font(tall ? 8 : 7, true, true));
  p.setPen(c.shifted);
  QRectF lower = face;
  lower.setTop(upper.bottom());
  p.drawText(lower.adjusted(0, -0.5, 0, 0), Qt::AlignHCenter | Qt::AlignTop, k.shifted);
}

void draw_arrow_cross(QPainter& p) {
  const Key* up = layout::key_with_tag(11);
  const Key* down = layout::key_with_tag(12);
  const Key* left = layout::key_with_tag(14);
  const Key* right = layout::key_with_tag(13);
  QRectF vertical(up->area.left(), up->area.top(), up->area.width(), down->area.bottom() + 1 - up->area.top());
  QRectF horizontal(left->area.left(), left->area.top(), right->area.right() + 1 - left->area.left(),
                    left->area.height());
  QPainterPath cross;
  cross.addRoundedRect(vertical, 10, 10);
  QPainterPath arm;
  arm.addRoundedRect(horizontal, 10, 10);
  cross = cross.united(arm).simplified();

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 40));
  p.drawPath(cross.translated(0, 2.4));
  QLinearGradient body(0, vertical.top(), 0, vertical.bottom());
  body.setColorAt(0, QColor(96, 103, 112));
  body.setColorAt(1, QColor(58, 63, 70));
  p.setPen(QPen(QColor(34, 37, 42), 1));
  p.setBrush(body);
  p.drawPath(cross);

  // Grooves from the inner corners towards the centre key part the four arrows.
  QPointF c(kAxis, horizontal.center().y());
  p.setPen(QPen(QColor(30, 33, 37, 170), 1.2));
  for (QPointF corner :
       {QPointF(vertical.left(), horizontal.top()), QPointF(vertical.right(), horizontal.top()),
        QPointF(vertical.left(), horizontal.bottom()), QPointF(vertical.right(), horizontal.bottom())}) {
    QPointF d = c - corner;
    p.drawLine(corner, corner + d * 0.42);
  }

  auto triangle = [&](QPointF tip, QPointF dir) {
    QPointF side(-dir.y(), dir.x());
    QPolygonF t;
    t << tip << tip - dir * 7 + side * 6 << tip - dir * 7 - side * 6;
    p.drawPolygon(t);
  };
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(246, 247, 248));
  triangle({kAxis, up->area.top() + 6.0}, {0, -1});
  triangle({kAxis, down->area.bottom() - 5.0}, {0, 1});
  triangle({left->area.left() + 6.0, c.y()}, {-1, 0});
  triangle({right->area.right() - 5.0, c.y()}, {1, 0});

  // Enter: a round cap in the middle.
  const Key* enter = layout::key_with_tag(9);
  QPointF ec = QRectF(enter->area).center();
  qreal r = 20.5;
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawEllipse(ec + QPointF(0, 1.6), r + 1.2, r + 1.2);
  QRadialGradient cap(ec - QPointF(6, 8), r * 1.6);
  cap.setColorAt(0, QColor(255, 255, 255));
  cap.setColorAt(1, QColor(206, 209, 213));
  p.setPen(QPen(QColor(120, 125, 132), 1));
  p.setBrush(cap);
  p.drawEllipse(ec, r, r);
  p.setPen(QColor(34, 36, 40));
  p.setFont(ui_font(15));
  p.drawText(QRectF(ec.x() - r, ec.y() - r + 3, 2 * r, r), Qt::AlignCenter, QString(QChar(0x21B5)));
  p.setFont(ui_font(9));
  p.drawText(QRectF(ec.x() - r, ec.y() + 1, 2 * r, r - 6), Qt::AlignHCenter | Qt::AlignTop, "Enter");
}

void draw_shell(QPainter& p) {
  // Soft shadow on the table.
  p.setPen(Qt::NoPen);
  for (int i = 6; i >= 1; --i) {
    p.setBrush(QColor(0, 0, 0, 9));
    p.drawRoundedRect(kShell.adjusted(-i * 0.8, i * 0.6, i * 0.8, i * 1.1), 36 + i, 36 + i);
  }
  // Rubber overmould with a sheen down its sides.
  QLinearGradient rubber(kShell.left(), 0, kShell.right(), 0);
  rubber.setColorAt(0, QColor(44, 47, 52));
  rubber.setColorAt(0.06, QColor(78, 83, 90));
  rubber.setColorAt(0.14, QColor(52, 56, 61));
  rubber.setColorAt(0.86, QColor(52, 56, 61));
  rubber.setColorAt(0.94, QColor(72, 77, 84));
  rubber.setColorAt(1, QColor(36, 38, 42));
  p.setPen(QPen(QColor(22, 24, 27), 1.2));
  p.setBrush(rubber);
  p.drawRoundedRect(kShell, 36, 36);

  // Corner bumpers: thicker moulded pads in a safety amber.
  QColor amber(232, 150, 36), amber_dark(186, 108, 18);
  auto bumper = [&](QRectF r, qreal rx) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, amber.lighter(112));
    g.setColorAt(1, amber_dark);
    p.setPen(QPen(QColor(120, 70, 12), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, rx, rx);
  };
  QPainterPath clip;
  clip.addRoundedRect(kShell, 36, 36);
  p.save();
  p.setClipPath(clip);
  bumper({kShell.left() - 20, kShell.top() - 20, 76, 76}, 36);
  bumper({kShell.right() - 56, kShell.top() - 20, 76, 76}, 36);
  bumper({kShell.left() - 20, kShell.bottom() - 56, 76, 76}, 36);
  bumper({kShell.right() - 56, kShell.bottom() - 56, 76, 76}, 36);
  p.restore();

  // Grip ribs on the flanks.
  p.setPen(QPen(QColor(30, 32, 36), 1.4));
  for (int i = 0; i < 9; ++i) {
    qreal y = 360 + i * 18;
    p.drawLine(QPointF(kShell.left() + 4, y), QPointF(kShell.left() + 10, y));
    p.drawLine(QPointF(kShell.right() - 10, y), QPointF(kShell.right() - 4, y));
  }

  // Tape exit at the top edge, with the cutter's serrated blade.
  QRectF slot(kAxis - 62, kShell.top() + 3, 124, 8);
  p.setPen(QPen(QColor(10, 10, 12), 1));
  p.setBrush(QColor(16, 17, 19));
  p.drawRoundedRect(slot, 3, 3);
  p.setPen(QPen(QColor(150, 154, 160), 1));
  for (qreal x = slot.left() + 6; x < slot.right() - 6; x += 5)
    p.drawLine(QPointF(x, slot.bottom() - 2), QPointF(x + 2.5, slot.bottom() - 4.5));

  // The satin front plate.
  QLinearGradient plate(0, kFace.top(), 0, kFace.bottom());
  plate.setColorAt(0, QColor(226, 228, 231));
  plate.setColorAt(0.35, QColor(214, 217, 221));
  plate.setColorAt(1, QColor(196, 200, 205));
  p.setPen(QPen(QColor(140, 145, 152), 1));
  p.setBrush(plate);
  p.drawRoundedRect(kFace, 24, 24);
  p.setPen(QPen(QColor(255, 255, 255, 150), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(kFace.adjusted(1, 1, -1, -1), 23, 23);
}

void draw_bezel(QPainter& p) {
  QLinearGradient glass(0, kBezel.top(), 0, kBezel.bottom());
  glass.setColorAt(0, QColor(52, 56, 62));
  glass.setColorAt(1, QColor(24, 26, 30));
  p.setPen(QPen(QColor(14, 15, 17), 1));
  p.setBrush(glass);
  p.drawRoundedRect(kBezel, 12, 12);
  // A gloss band across the top of the bezel.
  QPainterPath gloss;
  gloss.addRoundedRect(kBezel.adjusted(2, 2, -2, -kBezel.height() * 0.78), 10, 10);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 16));
  p.drawPath(gloss);

  // The LCD sits a little below the bezel surface.
  p.setBrush(QColor(10, 12, 10));
  p.drawRoundedRect(kLcdWindow, 3, 3);
  QRectF lcd(layout::kLcdOrigin.x(), layout::kLcdOrigin.y(), MIRROR_WIDTH, MIRROR_HEIGHT);
  p.setBrush(QColor(156, 180, 145));
  p.drawRect(lcd);

  // Model name above the display, a status mark in the bezel's right margin.
  p.setFont(ui_font(8, false));
  p.setPen(QColor(176, 182, 190));
  QFont spaced = ui_font(8, false);
  spaced.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  p.setFont(spaced);
  p.drawText(QRectF(kLcdWindow.left() + 2, kBezel.top() + 2, 240, 15), Qt::AlignLeft | Qt::AlignVCenter,
             "THERMAL LABEL PRINTER");
  p.setPen(Qt::NoPen);
  QRadialGradient led(QPointF(kBezel.right() - 8, kLcdWindow.top() + 8), 4);
  led.setColorAt(0, QColor(150, 255, 150));
  led.setColorAt(1, QColor(20, 140, 40));
  p.setBrush(led);
  p.drawEllipse(QPointF(kBezel.right() - 8, kLcdWindow.top() + 8), 2.6, 2.6);
}

void draw_brand_block(QPainter& p) {
  // The plate above the Label key carries the product line.
  QRectF block(48, 218, 73, 40);
  p.setPen(QColor(60, 64, 70));
  QFont f = ui_font(17);
  f.setItalic(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
  p.setFont(f);
  p.drawText(block.adjusted(0, 0, 0, -14), Qt::AlignHCenter | Qt::AlignBottom, "KLX80");
  p.setFont(ui_font(7, false));
  p.setPen(QColor(96, 100, 108));
  p.drawText(block.adjusted(0, 26, 0, 0), Qt::AlignHCenter | Qt::AlignTop, "LABEL  PRINTER");
  p.setPen(QPen(QColor(232, 150, 36), 2));
  p.drawLine(QPointF(block.left() + 8, block.top() + 27), QPointF(block.right() - 8, block.top() + 27));
}

void draw_cut_recess(QPainter& p) {
  // A pocket in the right flank where the cut lever sits.
  QRectF pocket(QRectF(layout::kCutSwitch).adjusted(-3, -4, 3, 4));
  p.setPen(QPen(QColor(18, 19, 22), 1));
  p.setBrush(QColor(26, 28, 31));
  p.drawRoundedRect(pocket, 9, 9);
}

void draw_keys(QPainter& p) {
  draw_arrow_cross(p);
  for (const Key& k : layout::keys()) {
    if (k.style == KeyStyle::Arrow || k.style == KeyStyle::Enter) continue;
    QRectF cap = keycap_rect(k);
    CapColours c = colours_for(k.style);
    draw_keycap(p, cap, 5, c);
    if (k.style == KeyStyle::Space) {
      // A space bar mark under the word.
      draw_legend(p, cap.adjusted(0, -2, 0, -2), {k.tag, k.z, k.area, k.legend, {}, k.pc_key, k.style}, c);
      p.setFont(ui_font(7, true, true));
      p.setPen(c.shifted);
      p.drawText(cap.adjusted(0, 1, -6, -3), Qt::AlignRight | Qt::AlignTop, k.shifted);
      continue;
    }
    draw_legend(p, cap, k, c);
  }
}

}  // namespace

void paint_body(QPainter& p) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient backdrop(0, 0, 0, layout::kWindowHeight);
  backdrop.setColorAt(0, QColor(238, 240, 243));
  backdrop.setColorAt(1, QColor(214, 218, 223));
  p.fillRect(QRectF(0, 0, layout::kWindowWidth + 4, layout::kWindowHeight + 1), backdrop);
  draw_shell(p);
  draw_bezel(p);
  draw_cut_recess(p);
  draw_brand_block(p);
  draw_keys(p);
  p.restore();
}

QPixmap body_pixmap(qreal device_pixel_ratio) {
  static QPixmap cached;
  if (!cached.isNull() && qFuzzyCompare(cached.devicePixelRatio(), device_pixel_ratio)) return cached;
  QSize size(qCeil(layout::kWindowWidth * device_pixel_ratio), qCeil(layout::kWindowHeight * device_pixel_ratio));
  QPixmap pixmap(size);
  pixmap.fill(Qt::white);
  // Scaled by hand: a painter on a pixmap applies its ratio only above 1,
  // and a device drawn smaller than 1x (a small screen) must shrink too.
  QPainter p(&pixmap);
  p.scale(device_pixel_ratio, device_pixel_ratio);
  paint_body(p);
  p.end();
  pixmap.setDevicePixelRatio(device_pixel_ratio);
  cached = pixmap;
  return cached;
}

void paint_lamps(QPainter& p, const MirrorLamps& lamps) {
  using layout::Lamp;
  using layout::lamp_area;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QColor ink(22, 30, 22);
  p.setPen(ink);
  // Each symbol stays inside the corner of the LCD that the mirror leaves
  // unpainted (from dot column 57 and dot row 49).
  const qreal top = layout::kLcdOrigin.y() + 98 + 2;
  const qreal bottom = layout::kLcdOrigin.y() + MIRROR_HEIGHT - 3;
  if (lamps.pt) {
    QRect a = lamp_area(Lamp::Pt);
    p.setFont(ui_font(12));
    p.drawText(QRectF(a.left() + 12, top, 20, bottom - top), Qt::AlignCenter, "Pt");
  }
  if (lamps.bold) {
    QRect a = lamp_area(Lamp::Bold);
    QFont f = ui_font(14);
    f.setWeight(QFont::Black);
    p.setFont(f);
    p.drawText(QRectF(a.left() + 10, top, 14, bottom - top), Qt::AlignCenter, "B");
  }
  if (lamps.caps) {
    // A hollow shift arrow.
    QRect a = lamp_area(Lamp::Caps);
    qreal cx = a.left() + 15.5, y0 = top + 1, y1 = bottom - 1;
    QPolygonF arrow;
    arrow << QPointF(cx, y0) << QPointF(cx + 8, y0 + 9) << QPointF(cx + 4, y0 + 9) << QPointF(cx + 4, y1 - 4)
          << QPointF(cx - 4, y1 - 4) << QPointF(cx - 4, y0 + 9) << QPointF(cx - 8, y0 + 9);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(arrow);
    p.drawLine(QPointF(cx - 5, y1 - 0.5), QPointF(cx + 5, y1 - 0.5));
  }
  if (lamps.func) {
    // "Fn" in a solid tag.
    QRect a = lamp_area(Lamp::Func);
    QRectF tag(a.left() + 5, top + 2, 24, bottom - top - 4);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(tag, 3, 3);
    p.setPen(QColor(156, 180, 145));
    p.setFont(ui_font(11));
    p.drawText(tag, Qt::AlignCenter, "Fn");
  }
  if (lamps.battery >= 1 && lamps.battery <= 3) {
    QRectF body(262.5, 169.5, 40, 20);
    p.setPen(QPen(ink, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(body.right() + 1, body.top() + 6, 3, body.height() - 12));
    if (lamps.battery >= 2) p.drawRect(QRectF(266, 173, 16, 13));  // within the first bar's place
    if (lamps.battery >= 3) p.drawRect(QRectF(284, 173, 15, 12));  // within the second bar's place
  }
  p.restore();
}

}  // namespace device_art
