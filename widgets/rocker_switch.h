// A rocker switch: a paddle in a bezel with a lamp and a caption. In
// push-button mode it springs back (on only while held) and reports a click;
// otherwise it latches like a light switch (checkable).
#pragma once
#include <QAbstractButton>
#include <QColor>

class RockerSwitch : public QAbstractButton {
  Q_OBJECT
 public:
  explicit RockerSwitch(QWidget* parent = nullptr);

  void setOrientation(Qt::Orientation orientation);
  Qt::Orientation orientation() const { return orientation_; }

  // Push-button mode: momentary, not checkable.
  void setPushButtonMode(bool on);
  bool pushButtonMode() const { return !isCheckable(); }

  void setTextColour(const QColor& colour);
  void setLedColours(const QColor& on, const QColor& off);
  QColor ledColour() const { return isOn() || lit_ ? led_on_ : led_off_; }
  // The lamp lit by its owner (something waits for the switch), pressed or not.
  void setLit(bool lit);
  bool isLit() const { return lit_; }

  // Pressed (push-button mode) or checked (latching mode).
  bool isOn() const { return isCheckable() ? isChecked() : isDown(); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::Orientation orientation_ = Qt::Vertical;
  QColor text_colour_{0, 128, 0};
  QColor led_on_{0, 255, 0};
  QColor led_off_{0, 128, 0};
  bool lit_ = false;
};
