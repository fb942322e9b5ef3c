#include "host/qt/web_art.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <memory>

#include "host/qt/device_art.h"
#include "host/qt/device_layout.h"
#include "host/qt/render.h"
#include "host/qt/simulator.h"
#include "host/seam/mirror.h"
#include "widgets/rocker_switch.h"

namespace {
constexpr int kScale = 2;
// The lamps sit over the LCD picture's lower right corner and a little below.
const QRect kLampStrip{layout::kLcdOrigin, QSize(MIRROR_WIDTH, 138)};

QImage blank(QSize size) {
  QImage image(size * kScale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QJsonArray rect(const QRectF& r) { return {r.x(), r.y(), r.width(), r.height()}; }

const char* style_name(layout::KeyStyle style) {
  switch (style) {
    case layout::KeyStyle::Letter: return "letter";
    case layout::KeyStyle::Digit: return "digit";
    case layout::KeyStyle::Command: return "command";
    case layout::KeyStyle::Print: return "print";
    case layout::KeyStyle::Delete: return "delete";
    case layout::KeyStyle::Func: return "func";
    case layout::KeyStyle::Space: return "space";
    case layout::KeyStyle::Arrow: return "arrow";
    case layout::KeyStyle::Enter: return "enter";
  }
  return "";
}

QImage lamps_sheet() {
  const MirrorLamps frames[] = {
      {true, false, false, false, 0}, {false, true, false, false, 0}, {false, false, true, false, 0},
      {false, false, false, true, 0}, {false, false, false, false, 1}, {false, false, false, false, 2},
      {false, false, false, false, 3},
  };
  const int n = int(std::size(frames));
  QImage sheet = blank(QSize(kLampStrip.width(), kLampStrip.height() * n));
  QPainter p(&sheet);
  p.scale(kScale, kScale);
  for (int i = 0; i < n; ++i) {
    p.save();
    p.translate(-kLampStrip.x(), -kLampStrip.y() + i * kLampStrip.height());
    device_art::paint_lamps(p, frames[i]);
    p.restore();
  }
  return sheet;
}

QImage cut_sheet() {
  RockerSwitch cut;
  cut.setOrientation(Qt::Vertical);
  cut.setPushButtonMode(true);
  cut.setText(QStringLiteral("Cut"));
  cut.setTextColour(QColor(0, 128, 0));
  cut.setLedColours(QColor(0, 255, 0), QColor(0, 128, 0));
  cut.resize(layout::kCutSwitch.size());
  const QSize size = layout::kCutSwitch.size();
  QImage sheet = blank(QSize(size.width(), size.height() * 2));
  for (int lit = 0; lit < 2; ++lit) {
    cut.setLit(lit == 1);
    QPainter p(&sheet);
    p.scale(kScale, kScale);
    cut.render(&p, QPoint(0, size.height() * lit), QRegion(), QWidget::DrawChildren);
  }
  return sheet;
}

QJsonObject layout_json() {
  QJsonArray keys;
  for (const layout::Key& k : layout::keys())
    keys.append(QJsonObject{{"tag", k.tag},
                            {"z", k.z},
                            {"area", rect(k.area)},
                            {"cap", rect(device_art::keycap_rect(k))},
                            {"legend", k.legend},
                            {"shifted", k.shifted},
                            {"pc_key", k.pc_key},
                            {"style", style_name(k.style)}});
  return QJsonObject{{"scale", kScale},
                     {"width", layout::kWindowWidth},
                     {"height", layout::kWindowHeight},
                     {"lcd", rect(QRect(layout::kLcdOrigin, QSize(MIRROR_WIDTH, MIRROR_HEIGHT)))},
                     {"lamps", rect(kLampStrip)},
                     {"cut", rect(layout::kCutSwitch)},
                     {"func_tag", layout::kFuncTag},
                     {"keys", keys}};
}
}  // namespace

bool write_web_art(const QString& dir) {
  const std::unique_ptr<QApplication> own_app = offscreen_application("klx80-shot");
  if (!QDir().mkpath(dir)) return false;
  const QDir out(dir);
  QFile json(out.filePath("layout.json"));
  return device_art::body_pixmap(kScale).toImage().save(out.filePath("device.png")) &&
         lamps_sheet().save(out.filePath("lamps.png")) && cut_sheet().save(out.filePath("cut.png")) &&
         json.open(QIODevice::WriteOnly) && json.write(QJsonDocument(layout_json()).toJson(QJsonDocument::Compact)) > 0;
}
