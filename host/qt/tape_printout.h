// The tape at its real size: labels laid end to end as they left the device,
// 8 dots to the millimetre, with a millimetre ruler along the tape, a cut line
// between labels and, above each label, its number, type, length in mm and
// dots, copy and serial value. The real-size view paints it on the screen at
// the screen's reported density; the PDF export prints it at true size on A4
// pages; the PNG export writes the dots alone, one pixel per dot.
#pragma once
#include <QImage>
#include <QString>
#include <QPointF>
#include <vector>

#include "host/seam/tape_history.h"

class QPainter;

namespace tape_printout {
// Heights of the painted strip in millimetres, top to bottom.
constexpr double kCaptionMm = 5.0;
constexpr double kTapeMm = TAPE_DOTS / TAPE_DOTS_PER_MM;  // 16 mm: the head's 128 dots
constexpr double kRulerMm = 7.0;
constexpr double kStripMm = kCaptionMm + kTapeMm + kRulerMm;
// The PDF's pages: A4 landscape, the tape in rows between 20 mm margins.
constexpr double kPageWidthMm = 297.0, kPageHeightMm = 210.0, kMarginMm = 20.0;
constexpr double kRowGapMm = 6.0;

size_t total_columns(const std::vector<TapeLabel>& labels);

// The labels on the device's tape now: the history's labels of the current
// tape, or (while a label is still printing, or without a history) the
// whole tape as one label with no number.
std::vector<TapeLabel> current_tape();

// One line about a label: "Label 3 · Banner landscape · 42.5 mm · 340 dots · copy 2 · serial 0007".
QString caption(const TapeLabel& label);

// Paints columns [first, first + count) of the labels laid end to end, the
// strip's top left at origin, px_per_mm device pixels to the millimetre. The
// ruler counts millimetres from the start of the first label. The captions
// and the ruler's numbers are never smaller than min_text_px (a screen whose
// reported density makes millimetres few pixels still reads them).
void paint_strip(QPainter& painter, const std::vector<TapeLabel>& labels, size_t first, size_t count, QPointF origin,
                 double px_per_mm, double min_text_px = 1);

// The dots alone, one pixel per dot, labels end to end (128 rows; row 0 is
// the head's last dot, as the window shows it).
QImage picture(const std::vector<TapeLabel>& labels);
bool write_png(const QString& path, const std::vector<TapeLabel>& labels, QString& error);
// True size on A4 landscape pages; a label longer than a row goes on in the next.
bool write_pdf(const QString& path, const std::vector<TapeLabel>& labels, QString& error);
}  // namespace tape_printout
