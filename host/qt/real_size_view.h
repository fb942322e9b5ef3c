// The tape at its real size on the screen: 8 dots to the millimetre at the
// screen's reported density, with the millimetre ruler, the cut lines and
// each label's facts (host/qt/tape_printout.h paints them). It shows a window
// of the labels from a first column on, like the dot view beside it.
#pragma once
#include <QWidget>
#include <vector>

#include "host/seam/tape_history.h"

class RealSizeView : public QWidget {
  Q_OBJECT
 public:
  explicit RealSizeView(QWidget* parent = nullptr);
  void setLabels(std::vector<TapeLabel> labels);
  const std::vector<TapeLabel>& labels() const { return labels_; }
  size_t columnCount() const { return columns_; }
  void setFirstColumn(size_t first);
  // Columns that fit the width.
  int boxWidth() const;
  // Screen pixels to the millimetre: as set (tests), else as calibrated for
  // this screen, else the screen's reported physical density.
  double pxPerMm() const;
  void setPxPerMm(double px_per_mm);
  // The painted strip's height in pixels, with a small margin.
  int stripHeight() const;

 private:
  // The captions and the ruler's numbers are at least the window's text size;
  // where millimetres are few pixels (a dense screen reporting a low
  // density) they need this much more room above and below the strip.
  double textPx() const;
  double textRoom() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<TapeLabel> labels_;
  size_t columns_ = 0;
  size_t first_ = 0;
  double px_per_mm_ = 0;  // 0: ask the screen
};
