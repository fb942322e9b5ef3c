// The simulated device without a window: what the batch runner and the
// end-to-end tests drive. Time is virtual: ticks run as fast as they can and
// the worker thread moves in lock step with them.
#pragma once
#include <cstdint>
#include <string>

#include "firmware/platform/lcd_mirror.h"
#include "host/script.h"

class HeadlessDevice {
 public:
  // Uses the flash image at flash_path (a missing file is warned about once
  // and the device runs without it, as the desktop program does). The host
  // parts start as in a fresh process (battery dial, keys, media panel), so
  // one process can run many devices one after the other.
  explicit HeadlessDevice(const std::string& flash_path);
  // Closes the device as closing the window does (the working label is
  // journalled) unless close() already ran.
  ~HeadlessDevice();
  HeadlessDevice(const HeadlessDevice&) = delete;
  HeadlessDevice& operator=(const HeadlessDevice&) = delete;

  // One 10 ms tick: sys_tick, then 10 ms of host time for the worker.
  void tick(uint32_t count = 1);
  // Runs ticks (at least two) until no key is pending, nothing is left to
  // draw and the print engine is idle or waits for a cut. False (with a
  // message) when that does not happen within a bound.
  bool settle(std::string& error);
  // Runs one script token, settling afterwards (in exact timing: at once,
  // with the script's clock). False with a message on error.
  bool run(const ScriptToken& token, std::string& error);
  // The script has ended: a script in exact timing settles now, so that a job
  // its last input started is finished as the desktop program would finish it.
  bool finish(std::string& error);

  // A device key pressed as a click on its picture (or its PC key for Caps).
  void press_key(uint8_t tag);
  // A PC key pressed and released.
  void pc_key(uint16_t virtual_key);

  void close();
  uint64_t ticks() const { return ticks_; }
  // Lowers the number of ticks a settle may take before it counts as hung
  // (for runs that must stay short, such as the fuzz targets).
  void set_settle_bound(uint32_t ticks) { settle_bound_ = ticks; }

 private:
  void let_popup_close();
  void report_save_problem();
  bool settled() const;

  bool run_exact(const ScriptToken& token, std::string& error);
  // One token as the settling runner does it; without settling it returns at once.
  bool run_settled(const ScriptToken& token, std::string& error, bool settling = true);

  uint64_t ticks_ = 0;
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
};
