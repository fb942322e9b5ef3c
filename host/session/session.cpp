#include "host/session/session.h"

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/screens/diag.h"
#include "firmware/screens/popup.h"
#include "host/seam/adc.h"
#include "host/seam/cartridge.h"
#include "host/session/cartridge_panel.h"
#include "host/seam/clock.h"
#include "host/seam/host_ui.h"
#include "host/seam/flash_image.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/files/png.h"
#include "host/seam/runtime.h"
#include "host/seam/spi_flash.h"
#include "host/seam/tape.h"
#include "host/session/lcd_text.h"
#include "host/session/remote_control.h"
#include "host/session/state_json.h"
#include "host/files/tape_pbm.h"
#include "host/files/tape_view.h"

namespace {
// The media panel's 100 ms timer, in ticks.
constexpr uint64_t kPanelTimerTicks = 10;

uint16_t letter_vk(char c) { return uint16_t(c >= 'a' && c <= 'z' ? c - 32 : c); }

// The one live session; the firmware's state is the process's.
std::atomic<Session*> live_session{nullptr};
// Set from a signal handler: ticks stop, the running token fails.
std::atomic<bool> stop_requested{false};

// The last key pressed on the picture; the inputs are the process's too.
Session::KeyPress last_press;
void note_press(int tag) {
  const Session* live = live_session.load();
  last_press = {tag, live ? live->ticks() : 0, last_press.count + 1};
}
}  // namespace

Session::KeyPress Session::last_key_press() { return last_press; }

std::string Session::refusal(const SessionOptions& options) {
  if (options.image_bytes.empty()) {
    const FlashImageCheck check = flash_image_inspect(options.image_path);
    if ((options.refuse_unusable && check.verdict == FlashImageVerdict::Refused) ||
        (options.refuse_missing && check.verdict == FlashImageVerdict::Missing))
      return check.message;
  } else if (options.image_bytes.size() != FLASH_IMAGE_SIZE) {
    return "the image is " + std::to_string(options.image_bytes.size()) + " bytes, not a flash image of " +
           std::to_string(FLASH_IMAGE_SIZE);
  }
  if (live_session.load()) return "a device is already open in this process; close it first";
  return "";
}

Session::Session(const SessionOptions& options) : image_path_(options.image_path), settle_bound_(options.settle_bound) {
  if (std::string why = refusal(options); !why.empty()) throw SessionError(why);
  Session* none = nullptr;
  if (!live_session.compare_exchange_strong(none, this))
    throw SessionError("a device is already open in this process; close it first");
  opened_by_ = long(::getpid());
  stop_requested.store(false);

  // The file the device reads and, unless read only, writes back to.
  const std::vector<uint8_t>* bytes = &options.image_bytes;
  std::vector<uint8_t> read_at_open;
  std::string write_path = options.image_path;
  if (!write_path.empty()) {
    if (std::string why = take_lock(options); !why.empty()) {
      live_session.store(nullptr);
      throw SessionError(why, true);
    }
    inputs_.push_back({"the flash image", write_path});
  }
  if (options.read_only) {
    if (bytes->empty() && !write_path.empty() && flash_image_read(write_path, read_at_open) &&
        !read_at_open.empty()) {
      read_at_open.resize(FLASH_IMAGE_SIZE, 0xFF);  // what a short file lacks reads erased
      bytes = &read_at_open;
    }
    if (!bytes->empty()) write_path.clear();  // nothing is written back
  }

  set_clock(options.clock, options.speed);
  paced_ = options.paced;
  paced_from_ms_ = host_clock_now_ms();
  key_input::reset();
  key_input::clear_queue();
  if (options.fresh_inputs) adc_set_battery_volts(ADC_START_VOLTS);
  // A device switched on has its RAM cleared: the label record stays empty
  // when the image holds no working label. A process's first device has it
  // so already; a second one in the same process must too.
  *lbl_record() = LabelRecord{};
  mirror_reset_lamps();
  if (options.keep_labels) {
    tape_history_clear();
    tape_history_enable(true);
    owns_history_ = true;
  }
  spi_set_path(write_path);
  spi_set_memory_image(*bytes);
  spi_set_durability(options.durability);
  if (options.fresh_inputs) cart_panel_init();
  firmware_start();
  if (!spi_present()) {
    open_problem_ = flash_image_inspect(options.image_path).message;
    image_faulty_ = true;
  } else if (options.check_image) {
    open_problem_ = spi_image_problem();
    image_faulty_ = !spi_font_fault().empty() ||
                    (bytes->empty() && flash_image_inspect(options.image_path).damaged);
  }
  if (options.warn_at_open && !open_problem_.empty()) host_ui().warn(open_problem_, "Error");
}

// A writer holds the image alone; readers share it, and go on without the
// lock on an image a writer holds (they write nothing).
std::string Session::take_lock(const SessionOptions& options) {
  const std::string& path = options.image_path;
  const bool writer = !options.read_only;
  const ImageLock::Mode mode = writer ? ImageLock::Mode::Exclusive : ImageLock::Mode::Shared;
  if (options.held_lock && options.held_lock->covers(path, mode)) return "";
  lock_ = std::make_unique<ImageLock>();
  if (lock_->acquire(path, mode) == ImageLock::Result::InUse && writer) return image_lock_in_use(path);
  return "";
}

std::string Session::output_refusal(const RunFile& output) const { return ::output_refusal(output, inputs_); }

std::string Session::script_refusal(const std::vector<ScriptToken>& tokens, const std::vector<RunFile>& more) const {
  std::vector<RunFile> inputs = inputs_;
  inputs.insert(inputs.end(), more.begin(), more.end());
  for (const ScriptToken& t : tokens)
    if (t.kind == ScriptToken::Snap)
      if (std::string why = ::output_refusal({"SNAP:", t.text}, inputs); !why.empty()) return why;
  return "";
}

void Session::reset_clock() {
  host_clock_use_virtual(false);
  host_clock_set_speed(1);
}

void Session::set_clock(SessionClock clock, uint32_t speed) {
  host_clock_set_speed(clock == SessionClock::Virtual ? 1 : std::max<uint32_t>(1, speed));
  host_clock_use_virtual(clock == SessionClock::Virtual);
}

std::unique_ptr<Session> Session::open(const SessionOptions& options, std::string& error) {
  try {
    return std::make_unique<Session>(options);
  } catch (const SessionError& e) {
    error = e.what();
    return nullptr;
  }
}

Session* Session::current() { return live_session.load(); }

// A write that did not reach the image (disk full, file gone) is told once.
std::string Session::take_save_problem() {
  if (save_problem_told_) return "";
  std::string problem = spi_save_problem();
  save_problem_told_ = !problem.empty();
  return problem;
}

void Session::report_save_problem() {
  if (std::string problem = take_save_problem(); !problem.empty()) host_ui().warn(problem, "Error");
}

Session::~Session() { close(); }

void Session::close() {
  if (closed_) return;
  closed_ = true;
  // A forked child has the parent's memory but not its worker thread, and
  // shares its image file: it closes nothing, writes nothing, waits for nothing.
  if (!in_opening_process()) return;
  remote_.reset();
  firmware_close();
  put_back_language();
  spi_close();
  report_save_problem();
  spi_set_memory_image(std::vector<uint8_t>());
  if (owns_history_) tape_history_enable(false);
  lock_.reset();
  Session* self = this;
  live_session.compare_exchange_strong(self, nullptr);
}

bool Session::in_opening_process() const { return opened_by_ == long(::getpid()); }

// After the worker stopped: the image's own language back, unless the device
// chose another meanwhile (a script's own Language menu).
void Session::put_back_language() {
  if (run_language_ < 0) return;
  uint8_t settings[10] = {};
  if (nvm_load_device_settings(settings) && settings[PRN_SET_LANGUAGE] == run_language_ &&
      image_language_ != run_language_) {
    settings[PRN_SET_LANGUAGE] = uint8_t(image_language_);
    nvm_save_device_settings(settings);
  }
  run_language_ = -1;
}

void Session::request_stop() { stop_requested.store(true); }
bool Session::stop_was_requested() { return stop_requested.load(); }

void Session::tick(uint32_t count) {
  for (uint32_t i = 0; i < count && !stop_requested.load(std::memory_order_relaxed); ++i) {
    if (paced_ && !host_clock_is_virtual()) {
      const uint64_t due = paced_from_ms_ + (ticks_ + 1) * 10 / std::max<uint32_t>(1, host_clock_speed());
      for (uint64_t now; (now = host_clock_now_ms()) < due;)
        std::this_thread::sleep_for(std::chrono::milliseconds(due - now));
    }
    if (mirror_generation() != shown_generation_) {
      shown_generation_ = mirror_generation();
      mirror_copy_framebuffer(shown_);
    }
    key_input::tick();  // the next waiting key, if the device took the last one
    sys_tick();
    frame_changed_ = false;
    if (mirror_generation() != shown_generation_) {
      // A load of the same picture (a redraw) is no change.
      uint8_t after[LCD_FRAME_BYTES];
      shown_generation_ = mirror_generation();
      mirror_copy_framebuffer(after);
      frame_changed_ = std::memcmp(shown_, after, LCD_FRAME_BYTES) != 0;
      std::memcpy(shown_, after, LCD_FRAME_BYTES);
    }
    if (host_clock_is_virtual()) host_clock_advance(10);
    ++ticks_;
    // In exact timing a material change goes on as the panel's timer does it.
    if (exact_ && cart_panel_busy() && (ticks_ - cart_phase_) % kPanelTimerTicks == 0) cart_panel_timer();
    if (remote_) remote_->after_tick();
    if (tick_observer_) tick_observer_();
  }
}

bool Session::settled() const {
  // The cut pause and the endless print take only Print and Delete (at
  // their next poll); any other key stays in the register until the job
  // ends, as on the device. A service screen that takes no key but Func+X
  // keeps any other for good.
  uint8_t key = kbd_get_key();
  const bool only_print_or_delete = cut_waiting() || prn_endless_running();
  bool key_done = (key == 0 || (only_print_or_delete && key != KEY_PRINT && key != KEY_DELETE) || diag_keeps_key()) &&
                  key_input::queued() == 0;
  // Something due to be drawn (a popup opened by the print engine, a service
  // page counting ticks to its first frame) is drawn before the screen is read.
  const bool draw_due = ed_redraw_pending() || msg_popup_draw_pending() || diag_draw_pending();
  // In exact timing a material change under way is part of what must end.
  return key_done && !frame_changed_ && !draw_due && !prn_engine_busy() && !(exact_ && cart_panel_busy());
}

bool Session::settle(std::string& error) {
  tick(2);
  for (uint32_t n = 0; !settled(); ++n) {
    if (stop_requested.load()) {
      error = "stopped by a signal";
      return false;
    }
    if (n >= settle_bound_) {
      error = "the device did not settle within " + std::to_string(settle_bound_) + " ticks (mode " +
              std::to_string(ui_get_mode()) + ")";
      return false;
    }
    tick();
  }
  return true;
}

// A timed popup left showing by the previous token closes before the next
// key reaches the device, as it would for a person who waits to read it. An
// untimed one (the "Cut or Print" pause) is what the key is for: no wait.
void Session::let_popup_close() {
  for (uint32_t n = 0; msg_popup_timed() && n < kPopupBound; ++n) tick();
}

void Session::press_key(uint8_t tag) {
  note_press(tag);
  if (tag == KEY_CAPS) {
    pc_key(VK_CAPITAL);  // Caps has no picture on the device window
    return;
  }
  key_input::key_picture_down(tag);
}

void Session::pc_key(uint16_t virtual_key) {
  key_input::key_down(virtual_key);
  key_input::key_up(virtual_key);
}

bool Session::finish(std::string& error) { return !exact_ || settle(error); }

// Exact timing: nothing waits for the device. Ticks run until the device has
// reached the script's clock; input lands at once, as it did in the window.
bool Session::run_exact(const ScriptToken& t, std::string& error) {
  switch (t.kind) {
    case ScriptToken::Ticks:
      script_clock_ += t.value;
      if (ticks_ < script_clock_) tick(uint32_t(script_clock_ - ticks_));
      return true;
    case ScriptToken::Cart:
      // Recorded at the panel timer's step that took the old material out.
      select_cartridge(uint8_t(t.value));
      cartridge_step();
      cart_phase_ = ticks_;
      return true;
    default:
      return run_settled(t, error, false);  // TEXT: still waits for each letter
  }
}

bool Session::run(const ScriptToken& t, std::string& error) {
  report_save_problem();
  if (stop_requested.load()) {
    error = "stopped by a signal";
    return false;
  }
  if (t.kind == ScriptToken::Exact) {
    exact_ = true;  // the clock counts from the device's start
    return true;
  }
  if (exact_) return run_exact(t, error);
  return run_settled(t, error);
}

bool Session::run_settled(const ScriptToken& t, std::string& error, bool settling) {
  bool is_key = t.kind == ScriptToken::Key || t.kind == ScriptToken::Func || t.kind == ScriptToken::Esc ||
                t.kind == ScriptToken::Alt || t.kind == ScriptToken::Text;
  if (is_key && settling) let_popup_close();
  switch (t.kind) {
    case ScriptToken::Key:
      press_key(uint8_t(t.value));
      break;
    case ScriptToken::Func:
      click_func();
      break;
    case ScriptToken::ShiftDown:
      key_down(VK_SHIFT);
      break;
    case ScriptToken::ShiftUp:
      key_up(VK_SHIFT);
      break;
    case ScriptToken::Cut:
      press_cut();
      break;
    case ScriptToken::Esc:
      press_esc();
      break;
    case ScriptToken::FocusOut:
      focus_lost();
      break;
    case ScriptToken::Exact:
      break;
    case ScriptToken::Alt:
      alt_command(uint16_t(t.value));
      break;
    case ScriptToken::Text:
      for (char c : t.text) {
        let_popup_close();
        if (c == '_')
          press_key(KEY_SPACE);
        else if (c >= '0' && c <= '9')
          press_key(key_digit(c - '0'));
        else
          press_key(key_letter(char(letter_vk(c))));
        if (!settle(error)) return false;
      }
      return true;
    case ScriptToken::Ticks:
      tick(t.value);
      return true;
    case ScriptToken::Cart:
      // As the media panel does: the choice applies on its 100 ms timer,
      // first as a removal, then as the new material.
      select_cartridge(uint8_t(t.value));
      while (cartridge_busy()) {
        tick(10);
        cartridge_step();
      }
      break;
    case ScriptToken::Batt:
      set_battery(t.volts);
      break;
    case ScriptToken::Caption:
      return true;  // for an animation of the run
    case ScriptToken::Snap:
      if (std::string why = output_refusal({"SNAP:", t.text}); !why.empty()) {
        error = why;
        return false;
      }
      if (!save_lcd_png(t.text)) {
        error = "cannot write " + t.text;
        return false;
      }
      return true;
  }
  return !settling || settle(error);
}

bool Session::run_script(const std::string& text, std::string& error) {
  std::vector<ScriptToken> tokens;
  if (!script_parse(text, tokens, error)) return false;
  if (error = script_refusal(tokens); !error.empty()) return false;
  for (const ScriptToken& t : tokens) {
    if (!run(t, error)) {
      error = t.source + ": " + error;
      return false;
    }
  }
  return true;
}

// ---- Input ----

key_input::KeyTaken Session::key_down(uint16_t virtual_key) { return key_input::key_down(virtual_key); }
void Session::key_up(uint16_t virtual_key) { key_input::key_up(virtual_key); }
uint8_t Session::device_key_for(uint16_t virtual_key) { return key_input::device_key_for(virtual_key); }
void Session::click_func() {
  note_press(KEY_FUNC);
  key_input::func_picture_click();
}

void Session::alt_command(uint16_t virtual_key) {
  key_input::key_down(VK_MENU_ALT);
  pc_key(virtual_key);
  key_input::key_up(VK_MENU_ALT);
}

void Session::press_esc() { pc_key(VK_ESCAPE); }
void Session::press_cut() { cut_set_done(1); }
bool Session::focus_lost() { return key_input::focus_lost(); }
void Session::select_cartridge(uint8_t id) { cart_panel_select(id); }
void Session::cartridge_step() { cart_panel_timer(); }
bool Session::cartridge_busy() const { return cart_panel_busy(); }
uint8_t Session::cartridge() const { return cart_get_id(); }

void Session::set_battery(double volts) {
  adc_set_battery_volts(float(volts));
  lcd_show_battery(adc_read(2));
}

double Session::battery() const { return adc_battery_volts(); }

void Session::serial_receive(std::string_view bytes, std::function<void(const std::string&)> reply) {
  if (!remote_) remote_ = std::make_unique<RemoteControl>(std::move(reply));
  remote_->receive(bytes);
}

// ---- Settings ----

bool Session::set_language(uint8_t n, bool for_this_run) {
  if (n >= MSG_LANGUAGES) return false;
  if (for_this_run && run_language_ < 0) image_language_ = language();
  run_language_ = for_this_run ? n : -1;
  // As the Language menu's Enter: settings that cannot be read start from
  // those the print engine runs with.
  uint8_t settings[10] = {};
  if (!nvm_load_device_settings(settings)) prn_get_settings(settings);
  settings[PRN_SET_LANGUAGE] = n;
  nvm_save_device_settings(settings);
  const uint8_t mode = ui_get_mode();
  if (mode == MODE_EDITOR || mode == MODE_EDITOR_ALT) ed_refresh();
  return true;
}

uint8_t Session::language() const { return sys_language(); }

// ---- Output ----

std::vector<uint8_t> Session::lcd_dots() const {
  std::vector<uint8_t> dots(LCD_FRAME_BYTES);
  mirror_copy_framebuffer(dots.data());
  return dots;
}

std::vector<uint8_t> Session::lcd_rgb() const {
  std::vector<uint8_t> rgb(MIRROR_RGB_BYTES);
  mirror_copy_rgb(rgb.data());
  return rgb;
}

uint64_t Session::lcd_generation() const { return mirror_generation(); }
MirrorLamps Session::lamps() const { return mirror_lamps(); }

std::vector<std::string> Session::lcd_text() {
  nlohmann::ordered_json state = state_object();
  return state["lcd_text"].get<std::vector<std::string>>();
}

std::shared_ptr<const LcdTextReader> Session::screen_reader() {
  if (!screen_) screen_ = std::make_shared<const LcdTextReader>(LcdTextReader::from_flash());
  return screen_;
}

nlohmann::ordered_json Session::state_object() { return ::state_object(screen_reader().get()); }
std::string Session::state_json() { return ::state_json(screen_reader().get()); }
std::vector<uint8_t> Session::tape_rgb(int& width) const { return tape_render_all(cart_get_id(), width); }
std::string Session::tape_png() const { return ::tape_png(cart_get_id()); }
std::string Session::tape_pbm() const { return ::tape_pbm(); }
bool Session::save_lcd_png(const std::string& path) const {
  return png_write_rgb(path, MIRROR_WIDTH, MIRROR_HEIGHT, lcd_rgb().data());
}
bool Session::save_tape_png(const std::string& path) const { return tape_write_png(path, cart_get_id()); }
bool Session::save_tape_pbm(const std::string& path) const { return tape_write_pbm(path); }

size_t Session::tape_column_count() const { return ::tape_column_count(); }

std::vector<TapeColumn> Session::tape() const {
  std::vector<TapeColumn> columns;
  tape_copy_columns(0, TAPE_MAX_COLUMNS, columns);
  return columns;
}

std::vector<TapeLabel> Session::labels(bool with_columns) const { return tape_history_labels(with_columns); }
uint64_t Session::last_label_number() const {
  const size_t count = tape_history_count();
  TapeLabel last;
  return count > 0 && tape_history_label(count - 1, last, false) ? last.number : 0;
}
bool Session::printing() { return prn_engine_busy(); }
bool Session::cut_waiting() { return ::cut_waiting(); }
bool Session::popup_showing() const { return ui_get_mode() == MODE_POPUP; }

std::string Session::firmware_version() {
  return std::to_string(fw_version_major()) + "." + std::to_string(fw_version_minor());
}

std::vector<uint8_t> Session::image_bytes() const { return spi_contents(); }
std::string Session::save_problem() const { return spi_save_problem(); }
uint64_t Session::flash_writes() const { return spi_operations(); }

bool Session::save_working_label() {
  if (closed_ || prn_engine_busy() || cut_waiting()) return false;
  sys_shutdown_save();
  return true;
}
