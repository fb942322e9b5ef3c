// The "Serial Comms" window: created hidden with its port list, two buttons
// and status bar; nothing opens it yet.
#pragma once
#include <QWidget>

class SerialWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SerialWindow(QWidget* parent = nullptr);
};
