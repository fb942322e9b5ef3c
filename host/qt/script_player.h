// File > Play Key Script...: a key script played on the running device in
// the window. The device first restarts as a recording starts it, so that a
// recorded script plays exactly as it was recorded: its TICKS:N are that many
// of the window's ticks (the Speed menu plays it faster), its input lands on
// the tick it was recorded on. A written script goes on a token at a time
// once the device has settled, as the batch runner runs it. The keys it
// presses are drawn pressed; with Loop it starts again at its end (a trade
// show's demonstration); Stop ends it.
#pragma once
#include <QObject>
#include <QPointer>
#include <deque>
#include <vector>
#include <string>

#include "host/session/script.h"

class DeviceController;
class DeviceWindow;
class MediaPanel;

class ScriptPlayer : public QObject {
  Q_OBJECT
 public:
  ScriptPlayer(DeviceController* controller, DeviceWindow* window, MediaPanel* panel, QObject* parent = nullptr);
  // Parses and starts the script; false with a message (nothing started).
  // A SNAP: that names the image, the script file (script_path) or a
  // write-protected file is refused before anything plays.
  bool play(const std::string& text, bool loop, std::string& error, const std::string& script_path = "");
  void stop();
  bool playing() const { return playing_; }
  // Times the script has started (a loop starts it again).
  int rounds() const { return rounds_; }

 signals:
  void playingChanged(bool on);
  // The script ran to its end (and, without Loop, stopped).
  void finished();

 private:
  bool begin();
  void afterTick();
  void setPlaying(bool on);

  DeviceController* controller_;
  QPointer<DeviceWindow> window_;
  QPointer<MediaPanel> panel_;
  std::vector<ScriptToken> script_;
  std::deque<ScriptToken> queue_;
  bool playing_ = false;
  bool loop_ = false;
  bool exact_ = false;
  int rounds_ = 0;
  uint64_t ticks_ = 0;       // since the script's start
  uint64_t target_ = 0;      // exact timing: the tick the next input waits for
  uint64_t wait_until_ = 0;  // a written script: its TICKS:N, then the device settles
  int pressed_ticks_ = 0;    // how long a key stays drawn pressed
};
