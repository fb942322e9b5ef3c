// The "KLX80 Label Material Sizes" tool window: radio buttons choose the
// loaded label material, a 100 ms timer applies the choice as a cartridge
// change, and the battery dial sets the voltage the ADC reads.
#pragma once
#include <QTimer>
#include <QWidget>

class Dial;
class QRadioButton;

class MediaPanel : public QWidget {
  Q_OBJECT
 public:
  explicit MediaPanel(QWidget* parent = nullptr);

  QRadioButton* radioButton(int id) const { return radio_[id]; }
  Dial* batteryDial() const { return dial_; }
  QTimer& applyTimer() { return timer_; }

 signals:
  // The dial moved: the battery lamp has been updated.
  void batteryChanged();

 private:
  QRadioButton* radio_[12] = {};
  Dial* dial_;
  QTimer timer_;
};
