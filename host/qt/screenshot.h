// Pictures for someone at work: F12 (File > Screenshot) saves the device
// picture and the LCD as PNG files beside the flash image, numbered so that
// nothing is overwritten (klx80-shot-0001.png and klx80-shot-0001-lcd.png);
// Copy LCD and Copy Tape put the LCD or the tape on the clipboard.
#pragma once
#include <QImage>
#include <QString>

class DeviceWindow;

// The LCD as the device window shows it (264 x 128).
QImage lcd_picture();

struct Screenshot {
  QString device;  // the files written
  QString lcd;
  QString error;   // why nothing was written
};
// The window's picture (without its menu bar) and the LCD, into directory.
Screenshot take_screenshot(DeviceWindow& window, const QString& directory);
