// The device window's menu bar: File (the tape as PNG or PDF, another flash
// image, quit), Device (power cycle, the auto-off switch, a fresh image),
// View (the other windows, the device's size, the keyboard map) and Help
// (the user guide). No menu title has an Alt mnemonic: Alt with a letter
// belongs to the device's service commands. F10 opens the menus instead, and
// every entry has its underlined letter.
#pragma once
#include <QObject>
#include <QString>

#include "host/qt/screenshot.h"

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class ScriptPlayer;
class Simulator;

class AppMenus : public QObject {
  Q_OBJECT
 public:
  // fresh_image: the image a reset copies (the one the build made).
  AppMenus(Simulator& simulator, QString fresh_image);

  QMenuBar* bar() const { return bar_; }
  QMenu* fileMenu() const { return file_; }
  QMenu* deviceMenu() const { return device_; }
  QMenu* viewMenu() const { return view_; }
  QMenu* helpMenu() const { return help_; }
  // Places kept for entries added later: insert before these separators
  // (File > Record Key Script..., Device > Speed).
  QAction* recordPlace() const { return record_place_; }
  QAction* speedPlace() const { return speed_place_; }
  // The device size entries in menu order: 1x, 1.5x, 2x, fit to screen.
  static constexpr qreal kFitScreen = 0;
  void chooseSize(qreal choice);
  qreal sizeChoice() const { return size_choice_; }

  // The entries' work, also for tests (the dialogs are left out there).
  bool openImage(const QString& path);
  // The device picture and the LCD beside the image (F12).
  Screenshot screenshot();
  // Plays a key script in the window (Loop Playback as checked).
  bool playScript(const QString& path);
  void setLoopPlayback(bool on);
  ScriptPlayer* player() const { return player_; }
  bool resetImage();

 private:
  void buildFile();
  void buildDevice();
  void buildView();
  void buildHelp();
  void askOpenImage();
  void askResetImage();
  void askPlayScript();
  void about();
  void tell(const QString& text, bool problem);

  Simulator& sim_;
  QString fresh_image_;
  QMenuBar* bar_;
  QMenu* file_ = nullptr;
  QMenu* device_ = nullptr;
  QMenu* view_ = nullptr;
  QMenu* help_ = nullptr;
  QAction* record_place_ = nullptr;
  QAction* speed_place_ = nullptr;
  QActionGroup* sizes_ = nullptr;
  ScriptPlayer* player_ = nullptr;
  QAction* loop_ = nullptr;
  qreal size_choice_ = 1;
};
