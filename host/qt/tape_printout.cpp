#include "host/qt/tape_printout.h"

#include <QSaveFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "host/files/png.h"
#include "host/files/tape_pbm.h"

namespace tape_printout {
namespace {
const QColor kCut(200, 0, 0);
const QColor kCaptionText(40, 40, 40);

// The dots of columns [first, first + count) as a 1-bit picture, 128 rows.
QImage dots(const std::vector<TapeLabel>& labels, size_t first, size_t count) {
  QImage image(int(count), TAPE_DOTS, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  image.fill(0);
  size_t at = 0;  // absolute column of the label's start
  for (const TapeLabel& label : labels) {
    const size_t end = at + label.columns.size();
    for (size_t c = std::max(at, first); c < std::min(end, first + count); ++c) {
      const TapeColumn& column = label.columns[c - at];
      const int x = int(c - first);
      for (int row = 0; row < TAPE_DOTS; ++row)
        if (column[row / 8] & (0x80 >> (row % 8))) image.setPixel(x, row, 1);
    }
    at = end;
  }
  return image;
}

void paint_ruler(QPainter& p, double x0, double y0, double first_mm, double length_mm, double s, double min_text_px) {
  p.setPen(QPen(Qt::black, 0));
  p.drawLine(QPointF(x0, y0), QPointF(x0 + length_mm * s, y0));
  QFont f = p.font();
  f.setPixelSize(int(std::lround(std::max(2.2 * s, min_text_px))));
  p.setFont(f);
  double free_from = -1e300;  // a number is left out where the one before still stands
  for (long mm = long(std::ceil(first_mm)); mm <= long(std::floor(first_mm + length_mm)); ++mm) {
    const double x = x0 + (double(mm) - first_mm) * s;
    const double tick = mm % 10 == 0 ? 3.5 : mm % 5 == 0 ? 2.5 : 1.5;
    p.drawLine(QPointF(x, y0), QPointF(x, y0 + tick * s));
    if (mm % 10 != 0 || x + 0.4 * s < free_from) continue;
    const QString number = QString::number(mm);
    const double width = p.fontMetrics().horizontalAdvance(number);
    p.drawText(QRectF(x + 0.4 * s, y0 + 1.5 * s, width + s, 4 * s), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, number);
    free_from = x + 0.4 * s + width + 1.0 * s;
  }
}
}  // namespace

size_t total_columns(const std::vector<TapeLabel>& labels) {
  size_t n = 0;
  for (const TapeLabel& l : labels) n += l.columns.size();
  return n;
}

std::vector<TapeLabel> current_tape() {
  // The newest labels of the history that belong to the device's tape.
  std::vector<TapeLabel> labels;
  const uint64_t tape = tape_history_current_tape();
  TapeLabel label;
  for (size_t i = tape_history_count(); i-- > 0 && tape_history_label(i, label) && label.tape == tape;)
    labels.insert(labels.begin(), std::move(label));
  if (total_columns(labels) == tape_column_count() && !labels.empty()) return labels;
  TapeLabel whole;
  tape_copy_columns(0, TAPE_MAX_COLUMNS, whole.columns);
  whole.width = whole.columns.size();
  if (!labels.empty()) {
    whole.label_type = labels.back().label_type;
    whole.cartridge = labels.back().cartridge;
  }
  return {whole};
}

QString caption(const TapeLabel& l) {
  QString text = l.number ? QStringLiteral("Label %1").arg(l.number) : QStringLiteral("Tape");
  text += QStringLiteral(" \u00b7 %1 \u00b7 %2 mm \u00b7 %3 dots")
              .arg(QString::fromStdString(tape_label_type_name(l.label_type)))
              .arg(l.length_mm(), 0, 'f', 1)
              .arg(l.width);
  if (l.number) text += QStringLiteral(" \u00b7 copy %1").arg(l.copy);
  if (!l.serial.empty()) text += QStringLiteral(" \u00b7 serial %1").arg(QString::fromStdString(l.serial));
  return text;
}

void paint_strip(QPainter& p, const std::vector<TapeLabel>& labels, size_t first, size_t count, QPointF origin,
                 double s, double min_text_px) {
  const double dot = s / TAPE_DOTS_PER_MM;
  const double tape_top = origin.y() + kCaptionMm * s;
  const double tape_bottom = tape_top + kTapeMm * s;
  const QRectF tape(origin.x(), tape_top, double(count) * dot, kTapeMm * s);
  p.save();
  p.fillRect(tape, Qt::white);
  p.setRenderHint(QPainter::SmoothPixmapTransform, dot < 1.0);  // below a pixel a dot blends, above it stays square
  p.drawImage(tape, dots(labels, first, count));
  p.setPen(QPen(QColor(150, 150, 150), 0));
  p.drawRect(tape.adjusted(-1, -1, 0, 0));  // the tape's edge, just outside its dots

  QFont f = p.font();
  f.setPixelSize(int(std::lround(std::max(2.6 * s, min_text_px))));
  p.setFont(f);
  const size_t total = total_columns(labels);
  size_t at = 0;
  for (const TapeLabel& label : labels) {
    const size_t end = at + label.columns.size();
    if (end > first && at < first + count) {
      const double x0 = origin.x() + double(std::max(at, first) - first) * dot;
      const double x1 = origin.x() + double(std::min(end, first + count) - first) * dot;
      p.setPen(kCaptionText);
      // The last label's caption may run on past its end: nothing follows it.
      const double right = end >= std::min(total, first + count) ? p.viewport().width() - 0.5 * s : x1 - 0.5 * s;
      const QRectF box(x0 + 0.5 * s, origin.y(), std::max(0.0, right - x0 - 0.5 * s), kCaptionMm * s);
      // The whole facts where they fit; else fewer facts, each whole.
      const QString lead = at >= first ? QString() : QStringLiteral("\u2026 ");
      const QString mm = QStringLiteral("%1 mm").arg(label.length_mm(), 0, 'f', 1);
      const QString number = label.number ? QString::number(label.number) : QString();
      const QString shorter[] = {caption(label),
                                 (label.number ? QStringLiteral("Label %1 \u00b7 ").arg(label.number) : QString()) + mm,
                                 number.isEmpty() ? mm : number + QStringLiteral(" \u00b7 ") + mm, number};
      QString text = lead + shorter[3];
      for (const QString& t : shorter)
        if (p.fontMetrics().horizontalAdvance(lead + t) <= box.width()) {
          text = lead + t;
          break;
        }
      p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, p.fontMetrics().elidedText(text, Qt::ElideRight, int(box.width())));
    }
    // The cut after the label, through the caption and the tape.
    if (end >= first && end <= first + count && end < total) {
      const double x = origin.x() + double(end - first) * dot;
      p.setPen(QPen(kCut, std::max(1.0, 0.25 * s), Qt::DashLine));
      p.drawLine(QPointF(x, origin.y()), QPointF(x, tape_bottom + 1.0 * s));
    }
    at = end;
  }
  paint_ruler(p, origin.x(), tape_bottom + 0.5 * s, double(first) / TAPE_DOTS_PER_MM, double(count) / TAPE_DOTS_PER_MM,
              s, min_text_px);
  p.restore();
}

QImage picture(const std::vector<TapeLabel>& labels) { return dots(labels, 0, total_columns(labels)); }

bool write_png(const QString& path, const std::vector<TapeLabel>& labels, QString& error) {
  const size_t width = total_columns(labels);
  if (width == 0 || width > size_t(INT32_MAX)) {
    error = QStringLiteral("There is no tape to save.");
    return false;
  }
  std::vector<TapeColumn> columns;
  columns.reserve(width);
  for (const TapeLabel& label : labels) columns.insert(columns.end(), label.columns.begin(), label.columns.end());
  const std::vector<uint8_t> rows = tape_rows_of(columns);
  if (png_write_bilevel(path.toStdString(), int(width), TAPE_DOTS, rows.data())) return true;
  error = QStringLiteral("The tape could not be saved to %1.").arg(path);
  return false;
}

bool write_pdf(const QString& path, const std::vector<TapeLabel>& labels, QString& error) {
  const size_t total = total_columns(labels);
  if (total == 0) {
    error = QStringLiteral("There is no tape to save.");
    return false;
  }
  // Written beside the target and renamed over it only when complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    error = QStringLiteral("The PDF could not be written to %1: %2").arg(path, file.errorString());
    return false;
  }
  QPdfWriter pdf(&file);
  pdf.setCreator(QStringLiteral("KLX80 simulator"));
  pdf.setTitle(QStringLiteral("KLX80 tape at real size"));
  pdf.setPageSize(QPageSize(QSizeF(kPageWidthMm, kPageHeightMm), QPageSize::Millimeter));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setResolution(1200);
  QPainter p;
  if (!p.begin(&pdf)) {
    error = QStringLiteral("The PDF could not be written to %1.").arg(path);
    return false;
  }
  const double s = pdf.resolution() / 25.4;  // device pixels to the millimetre
  const size_t row_columns = size_t((kPageWidthMm - 2 * kMarginMm) * TAPE_DOTS_PER_MM);
  const int rows_per_page = int((kPageHeightMm - 2 * kMarginMm + kRowGapMm) / (kStripMm + kRowGapMm));
  int row = 0;
  for (size_t first = 0; first < total; first += row_columns, ++row) {
    if (row == rows_per_page) {
      pdf.newPage();
      row = 0;
    }
    const QPointF origin(kMarginMm * s, (kMarginMm + row * (kStripMm + kRowGapMm)) * s);
    paint_strip(p, labels, first, std::min(row_columns, total - first), origin, s);
  }
  if (!p.end() || !file.commit()) {
    error = QStringLiteral("The PDF could not be written to %1.").arg(path);
    return false;
  }
  return true;
}
}  // namespace tape_printout
