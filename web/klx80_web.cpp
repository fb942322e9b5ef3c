// The device session as the web page and the node tests call it: plain C
// functions over the one Session, exported from the WebAssembly module.
// Calls that run the device (tick, settle, scripts, close) may hand over to
// the print engine's fiber, so they return nothing: their result is read
// afterwards with k_ok() and k_error().
#include <emscripten/emscripten.h>

#include <memory>
#include <span>
#include <string>

#include "host/seam/flash_image.h"
#include "host/session/session.h"

namespace {
std::unique_ptr<Session> device;
std::string error_text, text_out;
std::vector<uint8_t> screen_dots;  // the dots screen_text was read from
std::string screen_text;
std::vector<uint8_t> bytes_out;
bool ok = true;
int tape_width = 0;
size_t out_size = 0;  // bytes of the last binary output

void done(bool result) { ok = result; }
}  // namespace

extern "C" {

// Opens the device on an image file of the in-memory file system; an empty
// path: no image. keep_labels keeps every printed label's facts. Closing the
// device open before may hand over to the engine: the result is k_ok().
EMSCRIPTEN_KEEPALIVE void k_open(const char* path, int keep_labels) {
  if (device) device->close();
  device.reset();
  screen_text.clear();
  SessionOptions options{std::string(path)};
  options.keep_labels = keep_labels != 0;
  options.durability = FlashDurability::SyncEachSave;
  // Asked first: this build cannot catch the constructor's refusal.
  error_text = Session::refusal(options);
  ok = error_text.empty();
  if (ok) device = std::make_unique<Session>(options);
}

EMSCRIPTEN_KEEPALIVE void k_close() {
  if (device) device->close();
  device.reset();
  screen_text.clear();
}

EMSCRIPTEN_KEEPALIVE int k_ok() { return ok ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE const char* k_error() { return error_text.c_str(); }

EMSCRIPTEN_KEEPALIVE void k_tick(int count) { device->tick(uint32_t(count)); }
EMSCRIPTEN_KEEPALIVE void k_settle() { done(device->settle(error_text)); }
EMSCRIPTEN_KEEPALIVE void k_finish() { done(device->finish(error_text)); }
EMSCRIPTEN_KEEPALIVE void k_run_script(const char* text) { done(device->run_script(text, error_text)); }

EMSCRIPTEN_KEEPALIVE void k_press_key(int tag) { device->press_key(uint8_t(tag)); }
// What the key did (key_input::KeyTaken::Kind): 0 for a key the device has no
// use for, which the page leaves to the browser.
EMSCRIPTEN_KEEPALIVE int k_key_down(int vk) { return int(device->key_down(uint16_t(vk)).kind); }
EMSCRIPTEN_KEEPALIVE void k_key_up(int vk) { device->key_up(uint16_t(vk)); }
// The device key a PC key stands for (0 for none): which key to show pressed.
EMSCRIPTEN_KEEPALIVE int k_device_key_for(int vk) { return Session::device_key_for(uint16_t(vk)); }
EMSCRIPTEN_KEEPALIVE void k_click_func() { device->click_func(); }
EMSCRIPTEN_KEEPALIVE void k_press_cut() { device->press_cut(); }
EMSCRIPTEN_KEEPALIVE void k_focus_lost() { device->focus_lost(); }
EMSCRIPTEN_KEEPALIVE void k_select_cartridge(int id) { device->select_cartridge(uint8_t(id)); }
EMSCRIPTEN_KEEPALIVE void k_cartridge_step() { device->cartridge_step(); }
EMSCRIPTEN_KEEPALIVE int k_cartridge_busy() { return device->cartridge_busy() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int k_cartridge() { return device->cartridge(); }
EMSCRIPTEN_KEEPALIVE void k_set_battery(double volts) { device->set_battery(volts); }

// The LCD picture (264 x 128 RGB) and the count of its loads.
EMSCRIPTEN_KEEPALIVE const uint8_t* k_lcd_rgb() {
  bytes_out = device->lcd_rgb();
  return bytes_out.data();
}
EMSCRIPTEN_KEEPALIVE double k_lcd_generation() { return double(device->lcd_generation()); }
// The lamps: bit 0 pt, 1 bold, 2 caps, 3 func; bits 4-5 the battery symbol.
EMSCRIPTEN_KEEPALIVE int k_lamps() {
  const MirrorLamps l = device->lamps();
  return int(l.pt) | int(l.bold) << 1 | int(l.caps) << 2 | int(l.func) << 3 | int(l.battery & 3) << 4;
}
EMSCRIPTEN_KEEPALIVE const char* k_state_json() {
  text_out = device->state_json();
  return text_out.c_str();
}
// The tape as the Print Output window paints it; its width by k_tape_width,
// its size by k_out_size.
EMSCRIPTEN_KEEPALIVE const uint8_t* k_tape_rgb() {
  bytes_out = device->tape_rgb(tape_width);
  out_size = bytes_out.size();
  return bytes_out.data();
}
EMSCRIPTEN_KEEPALIVE int k_tape_width() { return tape_width; }
EMSCRIPTEN_KEEPALIVE int k_tape_columns() { return int(device->tape_column_count()); }
// Binary data out (a PBM, the image): pointer here, size by k_out_size.
EMSCRIPTEN_KEEPALIVE const char* k_tape_pbm() {
  text_out = device->tape_pbm();
  out_size = text_out.size();
  return text_out.data();
}
EMSCRIPTEN_KEEPALIVE int k_out_size() { return int(out_size); }
EMSCRIPTEN_KEEPALIVE const uint8_t* k_image() {
  bytes_out = device->image_bytes();
  out_size = bytes_out.size();
  return bytes_out.data();
}
// The screen as text, its lines joined by newlines (what a screen reader
// says). Read again only when the dots changed: the cursor's blink does not.
EMSCRIPTEN_KEEPALIVE const char* k_lcd_text() {
  std::vector<uint8_t> dots = device->lcd_dots();
  if (dots != screen_dots || screen_text.empty()) {
    screen_dots = std::move(dots);
    screen_text.clear();
    for (const std::string& line : device->lcd_text()) screen_text += line + "\n";
  }
  return screen_text.c_str();
}
// 1 when nothing is left to do but wait (the page's loop may slow down).
EMSCRIPTEN_KEEPALIVE int k_settled() { return device->settled() && !device->cartridge_busy() ? 1 : 0; }
// "" when these bytes are a usable flash image, else why not: the checks an
// image file gets at open, on an upload before it replaces anything.
EMSCRIPTEN_KEEPALIVE const char* k_image_problem(const uint8_t* bytes, int size, const char* name) {
  if (size_t(size) != FLASH_IMAGE_SIZE)
    text_out = std::string(name) + " is " + std::to_string(size) + " bytes, not a flash image of " +
               std::to_string(FLASH_IMAGE_SIZE);
  else
    text_out = flash_image_font_problem(name, std::span<const uint8_t>(bytes, size_t(size)));
  return text_out.c_str();
}
// The labels printed after label `number` as JSON: [[number, columns], ...].
EMSCRIPTEN_KEEPALIVE const char* k_labels_after(double number) {
  text_out = "[";
  for (const TapeLabel& label : device->labels(false))
    if (double(label.number) > number)
      text_out += (text_out.size() > 1 ? ",[" : "[") + std::to_string(label.number) + "," + std::to_string(label.width) + "]";
  text_out += "]";
  return text_out.c_str();
}
// The number of the last label printed since the device opened, 0 for none.
EMSCRIPTEN_KEEPALIVE double k_last_label() { return double(device->last_label_number()); }
EMSCRIPTEN_KEEPALIVE double k_flash_writes() { return double(device->flash_writes()); }
EMSCRIPTEN_KEEPALIVE int k_save_working_label() { return device->save_working_label() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int k_cut_waiting() { return device->cut_waiting() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int k_printing() { return device->printing() || device->cut_waiting() ? 1 : 0; }
}
