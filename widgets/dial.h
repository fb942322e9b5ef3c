// A round instrument dial: a scale of major steps and sub-steps around a knob
// with a pointer, the dial's name above and its value with the unit below.
// The mouse turns the knob (drag or wheel); Page Up/Down move one step, the
// arrows one sub-step, Home and End go to the ends of the range.
#pragma once
#include <QString>
#include <QWidget>

class Dial : public QWidget {
  Q_OBJECT
 public:
  explicit Dial(QWidget* parent = nullptr);

  void setName(const QString& name);
  QString name() const { return name_; }
  void setUnit(const QString& unit);
  QString unit() const { return unit_; }
  void setRange(double minimum, double maximum);
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }
  // steps major divisions, each split into sub_steps parts.
  void setScale(int steps, int sub_steps);
  int steps() const { return steps_; }
  int subSteps() const { return sub_steps_; }
  // A numeric picture such as "##0.#": '0' a digit always shown, '#' a digit
  // shown only when significant.
  void setValueFormat(const QString& format);
  QString valueFormat() const { return format_; }

  double value() const { return value_; }
  QString valueText() const;  // the value in the format, with the unit
  static QString formatNumber(double value, const QString& format);

  QSize sizeHint() const override;

 public slots:
  void setValue(double value);

 signals:
  void valueChanged(double value);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  double stepSize() const;
  double subStepSize() const;
  // Moves by whole sub-steps from the nearest sub-step mark.
  void stepBy(double size, int count);
  QPointF centre() const;
  qreal radius() const;
  double valueAt(const QPointF& pos) const;

  QString name_;
  QString unit_;
  QString format_ = QStringLiteral("##0.#");
  double minimum_ = 0;
  double maximum_ = 10;
  double value_ = 0;
  int steps_ = 10;
  int sub_steps_ = 1;
};
