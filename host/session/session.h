// The device session: one running KLX80 and everything a front end does with
// it. It opens the device on a flash image (a file, or bytes in memory), takes
// every input the device has (its keys, the PC keys, Func, Alt commands, Esc,
// the Cut switch, the media panel's material, the battery dial, key scripts,
// serial lines), ticks and settles it, and reads back everything a front end
// shows (LCD dots and picture, lamps, the screen as text, the state, the tape
// and every printed label). The desktop program, the batch runner, the suite
// runner, the remote control, the web page and the Python module are thin
// clients of this class; none of them reaches into the firmware.
//
// The firmware's state is global, so a process runs one device at a time: a
// second session opened while one is live is refused. Closing one and opening
// the next gives a device as fresh as a new process would.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/platform/lcd_mirror.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"
#include "host/files/image_lock.h"
#include "host/files/output_refusal.h"
#include "host/seam/tape_history.h"
#include "host/session/script.h"

class LcdTextReader;
class RemoteControl;

// Where the device's time comes from.
enum class SessionClock {
  Virtual,   // lock step: time moves only when the session ticks (headless runs)
  RealTime,  // the host's clock at `speed` times real time (the desktop program)
};

struct SessionOptions {
  SessionOptions() = default;
  explicit SessionOptions(std::string path) : image_path(std::move(path)) {}
  // The flash image: a file, or (when image_bytes is not empty) these bytes
  // held in memory, with image_path naming the file they are written back to
  // by the durability policy ("" for none).
  std::string image_path = "fontData.hex";
  std::vector<uint8_t> image_bytes;
  SessionClock clock = SessionClock::Virtual;
  uint32_t speed = 1;  // RealTime only: 1, 4, 16 ...
  // RealTime only: each tick waits for its time on the host clock (10 ms /
  // speed after the one before), so that a caller that ticks and settles in
  // a loop (the Python module) keeps pace with the print engine's thread. The
  // desktop program's timer paces its ticks itself.
  bool paced = false;
  // When the image's changes reach the disk: SyncEachSave for a person's
  // own image (the desktop program), SyncAtClose for a batch run, Never for
  // copies that are thrown away (suite cases, fuzzing, benchmarks).
  FlashDurability durability = FlashDurability::SyncAtClose;
  // Check the image (its size, protection, the font data's sum) at open, for
  // open_problem(). Many devices started from one image checked once say false.
  bool check_image = true;
  // The host's inputs start as in a fresh process (material 3 in the media
  // panel, the battery dial at its start voltage). The desktop program keeps
  // its panel's own choice across restarts and says false.
  bool fresh_inputs = true;
  // Keep every printed label with its facts (labels()), from an empty list;
  // off, the session leaves the label history as the process has it.
  bool keep_labels = false;
  // A missing image is warned about and the device runs without one, as the
  // real device does with a blank chip; with refuse_missing it is an error.
  bool refuse_missing = false;
  // A path that is no image at all (a directory, a device, far too large) is
  // an error; without refuse_unusable the device runs as on a missing image.
  bool refuse_unusable = true;
  // What is wrong with the image is told through the HostUi at open; a front
  // end that tells it its own way reads open_problem() instead.
  bool warn_at_open = true;
  // Ticks a settle may take before the device counts as hung (ten simulated
  // minutes: an engine that never finishes, a screen that never stops drawing).
  uint32_t settle_bound = 60000;
  // A file image is a writer's: the session holds it exclusively (image_lock.h)
  // and opening one another program holds is refused. Read only, the file is
  // read into memory at open, nothing is written back, and the lock is taken
  // shared; when a writer holds the image the run goes on without it, on what
  // the file held at open (the desktop's "Open Read-Only").
  bool read_only = false;
  // A lock the front end holds on the image for longer than one session (the
  // desktop across Power Cycle): used when it covers the image, else the
  // session takes its own.
  const ImageLock* held_lock = nullptr;
};

// Opening refused: another session is live, the image is not one, or
// (in_use) another program holds it.
class SessionError : public std::runtime_error {
 public:
  explicit SessionError(const std::string& what, bool in_use = false) : std::runtime_error(what), in_use_(in_use) {}
  bool in_use() const { return in_use_; }

 private:
  bool in_use_;
};

class Session {
 public:
  // A timed popup closes on its 102nd tick; one still showing after this many
  // is untimed and stays for the next key to close.
  static constexpr uint32_t kPopupBound = 110;

  // Opens a device; throws SessionError with the reason when it cannot.
  explicit Session(const SessionOptions& options = {});
  // The same with the reason in `error` and nullptr instead of a throw.
  static std::unique_ptr<Session> open(const SessionOptions& options, std::string& error);
  // The live session, or nullptr.
  static Session* current();
  // "" when a session could open with these options now, else the reason the
  // constructor would throw; for a build that cannot catch (WebAssembly
  // without exceptions).
  static std::string refusal(const SessionOptions& options);
  // Closes as closing the device window does, unless close() ran.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // ---- Input ----
  // The inputs reach the device's registers, which are the process's: they
  // are static, so that a window made without a running device (a picture,
  // a test) still feeds them.
  // A device key pressed as a click on its picture (KEY_CAPS as the PC's Caps Lock).
  static void press_key(uint8_t tag);
  // A PC key (virtual-key number of the key table) down or up, or both.
  static key_input::KeyTaken key_down(uint16_t virtual_key);
  static void key_up(uint16_t virtual_key);
  static void pc_key(uint16_t virtual_key);
  // The device key a PC key stands for (Shift gives Func), 0 for none: which
  // key picture a front end shows pressed.
  static uint8_t device_key_for(uint16_t virtual_key);
  static void click_func();
  // Alt + key: a service command (VK code of the letter, digit 1 or Delete).
  static void alt_command(uint16_t virtual_key);
  static void press_esc();
  static void press_cut();
  // The device window lost the keyboard: a held Shift or Alt is let go
  // (true when one was held).
  static bool focus_lost();
  // The media panel: a material chosen (applied by its 100 ms step, first as
  // a removal, then as the new one), the step itself, and whether a change is
  // still under way.
  static void select_cartridge(uint8_t id);
  static void cartridge_step();
  bool cartridge_busy() const;
  uint8_t cartridge() const;
  // The battery dial turned to volts (6..9); the LCD's battery symbol follows.
  static void set_battery(double volts);
  double battery() const;
  // Bytes from the serial link: each line is a key script (or STATE?),
  // answered through reply, paced by the device as the window ticks it.
  void serial_receive(std::string_view bytes, std::function<void(const std::string&)> reply);

  // ---- Key scripts ----
  // One token, settling afterwards (in exact timing: at once, on the
  // script's clock). False with a message on error.
  bool run(const ScriptToken& token, std::string& error);
  // A whole script: parsed, then every token run; the error names the token.
  bool run_script(const std::string& text, std::string& error);
  // The script has ended: a script in exact timing settles now, so that a job
  // its last input started is finished as the desktop program would finish it.
  bool finish(std::string& error);

  // ---- Time ----
  // One 10 ms tick: the next waiting key, sys_tick, and on the virtual clock
  // 10 ms for the worker.
  void tick(uint32_t count = 1);
  // Runs ticks (at least two) until settled(); false with a message when that
  // does not happen within the bound.
  bool settle(std::string& error);
  // Nothing is left to do: no key waiting, nothing to draw, the LCD unchanged
  // by the last tick, and the print engine idle or waiting for a cut.
  bool settled() const;
  uint64_t ticks() const { return ticks_; }
  // The clock can change while the device runs (the desktop's speed choice).
  void set_clock(SessionClock clock, uint32_t speed = 1);
  // Real time at 1x for whatever runs next in the process (after a session).
  static void reset_clock();
  // From a signal handler (async-signal-safe): ticks stop, and the token
  // running or next fails with "stopped by a signal", so that the front end
  // closes the device as on any failed run. Cleared when a session opens.
  static void request_stop();
  static bool stop_was_requested();
  void set_settle_bound(uint32_t ticks) { settle_bound_ = ticks; }
  // Called after every tick (ticks() already counts it), on the thread that
  // ticks: an animation capture looks at what is shown then. Empty: none.
  void set_tick_observer(std::function<void()> observer) { tick_observer_ = std::move(observer); }
  // The last key pressed on the device's picture (a key, Func, or a letter
  // of TEXT:) and the live session's tick then, for pictures that draw it
  // pressed; count grows with each. Kept on the thread that gives the input.
  struct KeyPress {
    int tag = -1;
    uint64_t tick = 0;
    uint64_t count = 0;
  };
  static KeyPress last_key_press();

  // ---- Settings ----
  // The language of the device's texts (0 English, 1 Spanish, 2 French,
  // 3 Portuguese, 4 German, 5 Dutch), stored in the device settings as the
  // Language menu stores it, so the image keeps it. The editor is redrawn at
  // once; other screens change from their next redraw. False for n > 5.
  // For this run only, the image's own language is put back when the session
  // closes, however the run ends (unless the device chose another meanwhile).
  bool set_language(uint8_t n, bool for_this_run = false);
  uint8_t language() const;

  // ---- Output ----
  // The firmware's frame buffer as the LCD shows it (LCD_FRAME_BYTES, page
  // by page), and the device window's 264 x 128 RGB picture of it.
  std::vector<uint8_t> lcd_dots() const;
  std::vector<uint8_t> lcd_rgb() const;
  // Counts every load of the LCD: a front end repaints when it changes.
  uint64_t lcd_generation() const;
  MirrorLamps lamps() const;
  // The screen read back as text: three text lines and the status line.
  std::vector<std::string> lcd_text();
  // The state as the batch runner's --state prints it (with the screen's text).
  nlohmann::ordered_json state_object();
  std::string state_json();
  // The glyph tables the screen is read with, built from the image at the
  // first read; many devices on images with the same fonts can share one.
  std::shared_ptr<const LcdTextReader> screen_reader();
  void use_screen_reader(std::shared_ptr<const LcdTextReader> reader) { screen_ = std::move(reader); }
  // The tape as the Print Output window paints it (RGB, TAPE_PAINT_HEIGHT
  // rows), that picture as a PNG's bytes, and as a binary PBM, one column per
  // printed column.
  std::vector<uint8_t> tape_rgb(int& width) const;
  std::string tape_png() const;
  std::string tape_pbm() const;
  // The same written to files through the safe output writer; false when
  // the file cannot be written.
  bool save_lcd_png(const std::string& path) const;
  bool save_tape_png(const std::string& path) const;
  bool save_tape_pbm(const std::string& path) const;
  // The current label's tape, columns in display order.
  size_t tape_column_count() const;
  std::vector<TapeColumn> tape() const;
  // Every label printed since the session opened (keep_labels), oldest first.
  std::vector<TapeLabel> labels(bool with_columns = true) const;
  // The number of the last of them, 0 for none: cheap enough to ask each tick.
  uint64_t last_label_number() const;
  // The print engine is printing or waiting for the Cut switch.
  static bool printing();
  static bool cut_waiting();
  // A popup message shows (the device drops keys pressed meanwhile).
  bool popup_showing() const;
  // "1.3": the firmware's own version numbers.
  static std::string firmware_version();
  const std::string& image_path() const { return image_path_; }
  // The image as the flash holds it now; after close, as the device left it
  // (the working label journalled) until the next session opens.
  std::vector<uint8_t> image_bytes() const;
  // "" or what went wrong when a save did not reach the image (told once by
  // the HostUi as well).
  std::string save_problem() const;
  // The same, but only the first time it is asked for or told: a front end
  // that tells the user itself (later, outside the tick) takes it here, and
  // the session then does not tell it again.
  std::string take_save_problem();
  // What was wrong with the image at open (missing, damaged fonts, read-only), or "".
  const std::string& open_problem() const { return open_problem_; }
  // The device runs on a missing image or a damaged one (the wrong size, a
  // font area that does not match its sum, is blank or erased); a read-only
  // but whole image is not damaged.
  bool image_faulty() const { return image_faulty_; }

  // ---- Outputs the run may not write ----
  // The run's inputs an output must never name: the open image (its lock is
  // on the image itself) from the start, and what the front end adds (a
  // key script file).
  void protect_input(RunFile input) { inputs_.push_back(std::move(input)); }
  const std::vector<RunFile>& inputs() const { return inputs_; }
  // "" or why this output may not be written (output_refusal.h).
  std::string output_refusal(const RunFile& output) const;
  // The same for every SNAP: of a script, to be asked before any token runs;
  // `more` are inputs of this script alone (its file).
  std::string script_refusal(const std::vector<ScriptToken>& tokens, const std::vector<RunFile>& more = {}) const;
  // Counts the flash's writes and erases: a front end that keeps the image
  // elsewhere (the web page's browser storage) copies it when this moves.
  uint64_t flash_writes() const;
  // Journals the working label as switching off does, while the device runs
  // on; false (nothing saved) while a job prints. For a front end that may
  // be closed without being told (a browser tab).
  bool save_working_label();

  // Closes as the window does: the working label journalled, the worker
  // joined, the image written back by the durability policy.
  // In a forked child the session is the parent's: close() there lets it go
  // without touching the worker or the image.
  void close();
  bool closed() const { return closed_; }
  bool in_opening_process() const;

 private:
  void let_popup_close();
  void report_save_problem();
  std::string take_lock(const SessionOptions& options);
  void put_back_language();
  bool run_exact(const ScriptToken& token, std::string& error);
  bool run_settled(const ScriptToken& token, std::string& error, bool settling = true);

  std::string image_path_;
  std::string open_problem_;
  bool owns_history_ = false;
  uint64_t ticks_ = 0;
  bool paced_ = false;
  uint64_t paced_from_ms_ = 0;  // the host clock at the first paced tick
  bool exact_ = false;         // TIMING:EXACT seen
  uint64_t script_clock_ = 0;  // exact timing: ticks from the start the script has reached
  uint64_t cart_phase_ = 0;    // exact timing: the tick the media panel's timer is in step with
  uint32_t settle_bound_;
  bool frame_changed_ = false;  // the last tick changed the LCD picture
  // The LCD frame as last seen and the mirror's count of loads then: a tick
  // that loads nothing needs no compare.
  uint8_t shown_[LCD_FRAME_BYTES] = {};
  uint64_t shown_generation_ = ~uint64_t(0);
  bool closed_ = false;
  bool save_problem_told_ = false;
  bool image_faulty_ = false;
  int run_language_ = -1;       // set for this run only: the image's own to put back
  int image_language_ = -1;
  long opened_by_ = 0;          // the process that opened the device (a fork's child closes nothing)
  std::unique_ptr<ImageLock> lock_;  // the session's own lock on the image, when it took one
  std::vector<RunFile> inputs_;
  std::shared_ptr<const LcdTextReader> screen_;  // built at the first read of the screen's text
  std::unique_ptr<RemoteControl> remote_;
  std::function<void()> tick_observer_;
};
