// Real size on a screen that misreports its size: the user holds a ruler to
// a bar drawn 100 mm long at the density in use and types what it measures.
// The corrected density is kept in the settings for that screen (by its name
// and pixel size) and used by the real-size view from then on.
#pragma once
#include <QDialog>

class QDoubleSpinBox;
class QScreen;

// The calibrated pixels per millimetre for this screen, 0 when none is kept.
double calibrated_px_per_mm(const QScreen* screen);
void keep_calibration(const QScreen* screen, double px_per_mm);

class RealSizeCalibration : public QDialog {
  Q_OBJECT
 public:
  static constexpr double kBarMm = 100;
  // shown_px_per_mm: the density the bar is drawn at.
  RealSizeCalibration(double shown_px_per_mm, QWidget* parent = nullptr);
  // What the user's ruler says the bar measures, and the density that follows.
  void setMeasuredMm(double mm);
  double pxPerMm() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double shown_;
  QDoubleSpinBox* measured_;
};
