// The desktop simulator: the device controller and the four windows, created
// in their order (device window, print output, media panel, serial panel).
#pragma once
#include <QPoint>
#include <memory>

#include "host/qt/device_controller.h"
#include "host/qt/device_window.h"
#include "host/qt/media_panel.h"
#include "host/qt/print_window.h"
#include "host/qt/serial_window.h"

// The windows' font: the system sans serif at 11 pixels.
void apply_window_font();

class AppMenus;
class ImageLock;

class Simulator {
 public:
  Simulator();
  ~Simulator();
  // Shows the windows that are visible at start; the device window's first
  // show starts the firmware.
  void show();
  // Window places and sizes kept between runs (the desktop program only).
  void restorePlaces();
  void savePlaces();
  // Every window moved by this much (a second, read-only program on an image
  // opens beside the first one's windows, not exactly over them).
  void offsetPlaces(QPoint by);

  DeviceController& controller() { return *controller_; }
  DeviceWindow& deviceWindow() { return *device_; }
  PrintWindow& printWindow() { return *print_; }
  MediaPanel& mediaPanel() { return *media_; }
  SerialWindow& serialWindow() { return *serial_; }
  AppMenus& menus() { return *menus_; }
  // The lock the program holds on its image (none in tests); opening
  // another image moves it there.
  void setImageLock(ImageLock* lock) {
    image_lock_ = lock;
    controller().setImageLock(lock);
  }
  ImageLock* imageLock() const { return image_lock_; }

 private:
  std::unique_ptr<DeviceController> controller_;
  std::unique_ptr<DeviceWindow> device_;
  std::unique_ptr<PrintWindow> print_;
  std::unique_ptr<MediaPanel> media_;
  std::unique_ptr<SerialWindow> serial_;
  AppMenus* menus_ = nullptr;  // owned by the device window
  ImageLock* image_lock_ = nullptr;
};
