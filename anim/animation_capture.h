// An animation of a key script's run: a frame at every change of what is
// shown (the LCD, its lamps, the key drawn pressed, the caption and, in the
// device picture, the tape), each held for the device time it stays, so a
// run of minutes on the virtual clock is made in moments. Changes closer
// than two ticks apart share a frame (GIF players show nothing shorter than
// 20 ms), and the end state is held two seconds more before the loop.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/seam/mirror.h"

class AnimationFile;
class Session;
struct ScriptToken;

// What one frame shows.
struct ShownState {
  std::vector<uint8_t> lcd_rgb;  // MIRROR_WIDTH x MIRROR_HEIGHT RGB
  MirrorLamps lamps;
  int pressed_key = -1;          // device key code drawn pressed, -1 none
  bool cut_waiting = false;      // the Cut switch's lamp: a pause between labels waits for it
  std::string caption;           // UTF-8, "" none
  bool captions = false;         // the script has captions: the picture keeps a place for them
  std::vector<uint8_t> tape_rgb;  // the tape as the Print Output window paints it (device picture only)
  int tape_width = 0;
  size_t tape_columns = 0;  // printed columns (the picture is at least a window wide)
};

struct AnimationPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

// Paints a frame; every frame of a run must come out the same size.
using FramePainter = std::function<void(const ShownState&, AnimationPicture&)>;

class AnimationCapture {
 public:
  // painter: the device picture (with the tape); empty for the LCD alone.
  AnimationCapture(Session& device, std::string path, FramePainter painter, bool captions);
  ~AnimationCapture();

  // Takes the first frame and watches every tick from now on.
  bool start(std::string& error);
  // Before each token of the script runs: a caption takes effect.
  void before(const ScriptToken& token);
  // At the end of the run: the last frame, then the file. Frames and time
  // written are told through frames() and centiseconds().
  bool finish(std::string& error);
  size_t frames() const { return frames_; }
  uint64_t centiseconds() const { return centiseconds_; }

  // The LCD alone with the caption band below it, in the device's own font.
  static void paint_lcd(Session& device, const ShownState& shown, AnimationPicture& out);

 private:
  void after_tick();
  ShownState take() const;
  void paint(const ShownState& shown, AnimationPicture& out) const;
  bool next_frame(uint64_t until, std::string& error);

  Session& device_;
  std::string path_;
  FramePainter painter_;
  bool captions_;
  std::unique_ptr<AnimationFile> file_;
  std::string error_;  // the first failure while ticking, told by finish

  // What was shown at the last look.
  uint64_t generation_ = 0;
  std::vector<uint8_t> lcd_;
  MirrorLamps lamps_{};
  uint64_t key_presses_ = 0;
  int pressed_key_ = -1;
  uint64_t pressed_at_ = 0;
  std::string caption_;
  size_t tape_columns_ = 0;
  bool cut_waiting_ = false;
  bool dirty_ = false;

  // The frame waiting for its duration.
  AnimationPicture pending_;
  uint64_t pending_since_ = 0;
  size_t frames_ = 0;
  uint64_t centiseconds_ = 0;
};
