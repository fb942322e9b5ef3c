// The "KLX80 Label Material Sizes" tool window: radio buttons choose the
// loaded label material, a 100 ms timer applies the choice as a cartridge
// change, and the battery dial sets the voltage the ADC reads.
#pragma once
#include <QTimer>
#include <QWidget>
#include <memory>

class DeviceController;
class Dial;
class QRadioButton;

class MediaPanel : public QWidget {
  Q_OBJECT
 public:
  // Without a controller the panel works the device through an idle one of
  // its own.
  explicit MediaPanel(DeviceController* controller = nullptr, QWidget* parent = nullptr);
  ~MediaPanel() override;

  QRadioButton* radioButton(int id) const { return radio_[id]; }
  Dial* batteryDial() const { return dial_; }
  QTimer& applyTimer() { return timer_; }

 signals:
  // The dial moved: the battery lamp has been updated.
  void batteryChanged();

 private:
  std::unique_ptr<DeviceController> own_controller_;
  DeviceController* controller_;
  QRadioButton* radio_[12] = {};
  Dial* dial_;
  QTimer timer_;
};
