// The device window: the printer's picture with its clickable keys, the LCD
// mirror and its lamps, and the Cut switch. Keys typed on the PC keyboard go
// to the device through the key table. The desktop program puts its menu bar
// above the picture; the picture can be drawn larger (it is painted at the
// new size, never stretched from a bitmap).
#pragma once
#include <QStringList>
#include <QWidget>
#include <memory>

class DeviceController;
class QMenu;
class QMenuBar;
class RockerSwitch;

class DeviceWindow : public QWidget {
  Q_OBJECT
 public:
  // Without a controller the window only shows the device's current state and
  // forwards input through an idle controller of its own (offscreen pictures);
  // with one, its first show starts the firmware and closing it closes the
  // device.
  explicit DeviceWindow(DeviceController* controller = nullptr, QWidget* parent = nullptr);
  ~DeviceWindow() override;

  // The program's one name: the device window's title and every message
  // box's caption that names no task of its own.
  static QString programName();

  RockerSwitch* cutSwitch() const { return cut_switch_; }
  // "Record key script" and "Stop recording...": the second asks where to
  // save the script (cancelled, the recording goes on).
  void addRecordingActions(QMenu& menu);
  // Speed: 1x, 4x, 16x, as fast as possible (the current one checked).
  void addSpeedMenu(QMenu& menu);
  void stopRecording();
  // Before the window closes while a key script is recorded: asks to save
  // it (Save, Discard, Cancel). False: the user keeps the program running.
  bool mayCloseWhileRecording();

  // The picture's size factor: 1, 1.5, 2 or what fits the screen.
  void setScale(qreal scale);
  qreal scale() const { return scale_; }
  // The largest factor whose window fits the screen's free area.
  qreal fitScale() const;
  // The title names the state when it is not plain real time: the speed,
  // REC while recording, the states given here (PLAY, PAUSED), read-only.
  void setReadOnly(bool read_only);
  bool readOnly() const { return read_only_; }
  void setTitleStates(const QStringList& states);
  // A key drawn pressed (a script playing), -1 none.
  void showKeyPressed(int tag) { setPressedKey(tag); }
  void updateTitle();
  // The menu bar shown above the picture (the window takes it as a child).
  void setMenuBar(QMenuBar* bar);
  QMenuBar* menuBar() const { return menu_bar_; }
  // A window point in the picture's coordinates (scale 1), and back.
  QPoint toPicture(QPointF window_pos) const;
  QRect toWindow(const QRect& picture_rect) const;

 signals:
  // The window was closed: the device is off and the program should end.
  void closed();
  // "Serial Comms..." was chosen in the context menu.
  void serialCommsRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void bringToFront();
  // Window size, menu bar and Cut switch after a change of scale or menu.
  void placeChildren();
  int pictureTop() const;

  std::unique_ptr<DeviceController> own_controller_;  // the idle one, when none was given
  DeviceController* controller_;
  bool live_;  // a controller was given: the window runs the device
  RockerSwitch* cut_switch_;
  QMenuBar* menu_bar_ = nullptr;
  qreal scale_ = 1;
  void setPressedKey(int tag);

  bool read_only_ = false;
  QStringList extra_states_;
  bool func_pressed_ = false;  // a press on the Func picture waits for its release
  int pressed_tag_ = -1;       // the key drawn pressed (mouse or PC key held), -1 none
};
