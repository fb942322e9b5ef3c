#include "host/headless.h"

#include <cstdio>
#include <cstring>

#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/screens/popup.h"
#include "host/adc.h"
#include "host/cartridge.h"
#include "host/cartridge_panel.h"
#include "host/clock.h"
#include "host/host_ui.h"
#include "host/flash_image.h"
#include "host/keys.h"
#include "host/mirror.h"
#include "host/png.h"
#include "host/runtime.h"
#include "host/spi_flash.h"

namespace {
// A settle that needs more than this many ticks (ten simulated minutes) has
// hung: an engine that never finishes or a screen that never stops drawing.
constexpr uint32_t kSettleBound = 60000;
// A timed popup closes on its 102nd tick; one still showing after this is
// untimed and stays for the next key to close.
constexpr uint32_t kPopupBound = 110;
// The media panel's 100 ms timer, in ticks.
constexpr uint64_t kPanelTimerTicks = 10;

uint16_t letter_vk(char c) { return uint16_t(c >= 'a' && c <= 'z' ? c - 32 : c); }
}  // namespace

HeadlessDevice::HeadlessDevice(const std::string& flash_path) : settle_bound_(kSettleBound) {
  host_clock_use_virtual(true);
  key_input::reset();
  key_input::clear_queue();
  adc_set_battery_volts(ADC_START_VOLTS);
  // A device switched on has its RAM cleared: the label record stays empty
  // when the image holds no working label. A process's first device has it
  // so already; a second one in the same process must too.
  *lbl_record() = LabelRecord{};
  mirror_reset_lamps();
  spi_set_path(flash_path);
  cart_panel_init();
  firmware_start();
  if (!spi_present()) host_ui().warn(flash_image_inspect(flash_path).message, "Error");
  if (std::string problem = spi_image_problem(); !problem.empty()) host_ui().warn(problem, "Error");
}

// A write that did not reach the image (disk full, file gone) is told once.
void HeadlessDevice::report_save_problem() {
  if (save_problem_told_) return;
  if (std::string problem = spi_save_problem(); !problem.empty()) {
    save_problem_told_ = true;
    host_ui().warn(problem, "Error");
  }
}

HeadlessDevice::~HeadlessDevice() { close(); }

void HeadlessDevice::close() {
  if (closed_) return;
  closed_ = true;
  firmware_close();
  report_save_problem();
}

void HeadlessDevice::tick(uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (mirror_generation() != shown_generation_) {
      shown_generation_ = mirror_generation();
      mirror_copy_framebuffer(shown_);
    }
    key_input::tick();
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
    host_clock_advance(10);
    ++ticks_;
    // In exact timing a material change goes on as the panel's timer does it.
    if (exact_ && cart_panel_busy() && (ticks_ - cart_phase_) % kPanelTimerTicks == 0) cart_panel_timer();
  }
}

bool HeadlessDevice::settled() const {
  // The cut pause takes only Print and Delete (at its next 100 ms poll); any
  // other key stays in the register until the job ends, as on the device.
  uint8_t key = kbd_get_key();
  bool key_done = (key == 0 || (cut_waiting() && key != KEY_PRINT && key != KEY_DELETE)) && key_input::queued() == 0;
  // In exact timing a material change under way is part of what must end.
  return key_done && !frame_changed_ && !ed_redraw_pending() && !prn_engine_busy() &&
         !(exact_ && cart_panel_busy());
}

bool HeadlessDevice::settle(std::string& error) {
  tick(2);
  for (uint32_t n = 0; !settled(); ++n) {
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
void HeadlessDevice::let_popup_close() {
  for (uint32_t n = 0; msg_popup_timed() && n < kPopupBound; ++n) tick();
}

void HeadlessDevice::press_key(uint8_t tag) {
  if (tag == KEY_CAPS) {
    pc_key(VK_CAPITAL);  // Caps has no picture on the device window
    return;
  }
  key_input::key_picture_down(tag);
}

void HeadlessDevice::pc_key(uint16_t virtual_key) {
  key_input::key_down(virtual_key);
  key_input::key_up(virtual_key);
}

bool HeadlessDevice::finish(std::string& error) { return !exact_ || settle(error); }

// Exact timing: nothing waits for the device. Ticks run until the device has
// reached the script's clock; input lands at once, as it did in the window.
bool HeadlessDevice::run_exact(const ScriptToken& t, std::string& error) {
  switch (t.kind) {
    case ScriptToken::Ticks:
      script_clock_ += t.value;
      if (ticks_ < script_clock_) tick(uint32_t(script_clock_ - ticks_));
      return true;
    case ScriptToken::Cart:
      // Recorded at the panel timer's step that took the old material out.
      cart_panel_select(uint8_t(t.value));
      cart_panel_timer();
      cart_phase_ = ticks_;
      return true;
    default:
      return run_settled(t, error, false);  // TEXT: still waits for each letter
  }
}

bool HeadlessDevice::run(const ScriptToken& t, std::string& error) {
  report_save_problem();
  if (t.kind == ScriptToken::Exact) {
    exact_ = true;  // the clock counts from the device's start
    return true;
  }
  if (exact_) return run_exact(t, error);
  return run_settled(t, error);
}

bool HeadlessDevice::run_settled(const ScriptToken& t, std::string& error, bool settling) {
  bool is_key = t.kind == ScriptToken::Key || t.kind == ScriptToken::Func || t.kind == ScriptToken::Esc ||
                t.kind == ScriptToken::Alt || t.kind == ScriptToken::Text;
  if (is_key && settling) let_popup_close();
  switch (t.kind) {
    case ScriptToken::Key:
      press_key(uint8_t(t.value));
      break;
    case ScriptToken::Func:
      key_input::func_picture_click();
      break;
    case ScriptToken::ShiftDown:
      key_input::key_down(VK_SHIFT);
      break;
    case ScriptToken::ShiftUp:
      key_input::key_up(VK_SHIFT);
      break;
    case ScriptToken::Cut:
      cut_set_done(1);
      break;
    case ScriptToken::Esc:
      pc_key(VK_ESCAPE);
      break;
    case ScriptToken::FocusOut:
      key_input::focus_lost();
      break;
    case ScriptToken::Exact:
      break;
    case ScriptToken::Alt:
      key_input::key_down(VK_MENU_ALT);
      key_input::key_down(uint16_t(t.value));
      key_input::key_up(uint16_t(t.value));
      key_input::key_up(VK_MENU_ALT);
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
      cart_panel_select(uint8_t(t.value));
      while (cart_panel_busy()) {
        tick(10);
        cart_panel_timer();
      }
      break;
    case ScriptToken::Batt:
      adc_set_battery_volts(t.volts);
      lcd_show_battery(adc_read(2));
      break;
    case ScriptToken::Snap:
      if (!png_write_rgb(t.text, MIRROR_WIDTH, MIRROR_HEIGHT, mirror_rgb())) {
        error = "cannot write " + t.text;
        return false;
      }
      return true;
  }
  return !settling || settle(error);
}
