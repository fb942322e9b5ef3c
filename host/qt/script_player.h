// File > Play Key Script...: a key script played on the running device in
// the window. The device first restarts as a recording starts it, so that a
// recorded script plays exactly as it was recorded: its TICKS:N are that many
// of the window's ticks (the Speed menu plays it faster), its input lands on
// the tick it was recorded on. A written script goes through the paced runner
// the serial remote uses: a token once the device has settled from the last,
// the window never blocked while a label prints at real time. A token the
// device cannot take stops the script and is told (refused), never dropped.
// The keys it presses are drawn pressed; with Loop it starts again at its end
// (a trade show's demonstration); Stop ends it. Played while a recording runs,
// the device is not restarted and the played input is recorded.
#pragma once
#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/session/script.h"

class DeviceController;
class DeviceWindow;
class MediaPanel;
class RemoteControl;

class ScriptPlayer : public QObject {
  Q_OBJECT
 public:
  ScriptPlayer(DeviceController* controller, DeviceWindow* window, MediaPanel* panel, QObject* parent = nullptr);
  ~ScriptPlayer() override;
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
  // The device could not take a token: the script has stopped; the message
  // names the token.
  void refused(const QString& message);

 private:
  bool begin();
  void afterTick();
  void afterTickExact();
  void afterTickWritten();
  void setPlaying(bool on);
  // A played key is drawn pressed for a moment.
  void showPressed(const ScriptToken& t);
  void fail(const std::string& message);

  DeviceController* controller_;
  QPointer<DeviceWindow> window_;
  QPointer<MediaPanel> panel_;
  std::string text_;
  std::vector<ScriptToken> script_;
  std::deque<ScriptToken> queue_;        // a recording's tokens still to come
  std::unique_ptr<RemoteControl> paced_;  // a written script's runner
  bool playing_ = false;
  bool loop_ = false;
  bool exact_ = false;
  int rounds_ = 0;
  uint64_t ticks_ = 0;           // since the script's start
  uint64_t target_ = 0;          // exact timing: the tick the next input waits for
  int pressed_ticks_ = 0;        // how long a key stays drawn pressed
  int cartridge_ticks_ = 0;      // a written script's material change: ticks to the panel's next step
};
