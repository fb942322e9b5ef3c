// Records what the user does to the running device as a key script that
// klx80-batch --script plays back: every key (on the picture or the PC
// keyboard), Func, the Alt commands, Esc, the Cut switch, a material change
// and the battery dial, each on the device tick it came on.
//
// A recording starts at a start of the device (the desktop program restarts
// it) and keeps the flash image as it was then: the script is written in exact
// timing (TIMING:EXACT) and replays on a copy of that image, saved beside it
// as <script name without extension>-start.hex.
//
// Input the device takes from elsewhere (a remote key script over the serial
// link) is not the user's and is not recorded; a key script the user plays in
// the window goes through the window's input and is.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/seam/keys.h"

class KeyRecorder {
 public:
  // Starts a recording at tick 0 of a device just started on the image at
  // image_path (read now; a missing image is recorded as none).
  void start(const std::string& image_path);
  bool recording() const { return on_; }

  // Input, at the device tick it came on (ticks since the start).
  void key_down(uint64_t tick, uint16_t virtual_key, key_input::KeyTaken taken);
  void key_up(uint64_t tick, uint16_t virtual_key);
  void key_picture(uint64_t tick, uint8_t tag);
  void func_click(uint64_t tick);
  void focus_out(uint64_t tick);
  void cut(uint64_t tick);
  void battery(uint64_t tick, float volts);
  // The media panel took the old material out to load this one.
  void cartridge(uint64_t tick, uint8_t id);

  // The script up to end_tick; the names are those its opening comment gives.
  std::string script(uint64_t end_tick, const std::string& image_name, const std::string& script_name) const;
  // Writes the script to script_path and the image beside it, then ends the
  // recording. False with a message (and the recording kept) when a file
  // cannot be written or would replace the running image.
  bool save(const std::string& script_path, const std::string& running_image, uint64_t end_tick,
            std::string& error);
  // Where save() puts the image for a script path.
  static std::string image_path_for(const std::string& script_path);

 private:
  void add(uint64_t tick, std::string token);

  struct Event {
    uint64_t tick;
    std::string token;
  };
  bool on_ = false;
  bool have_image_ = false;
  std::vector<uint8_t> image_;
  std::vector<Event> events_;
};
