#include "host/session/key_recorder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/files/output_file.h"
#include "host/session/script.h"

namespace {
// The shortest decimal form that reads back as the same float, so that the
// replayed dial gives the ADC the very value the window's dial gave.
std::string volts_text(float volts) {
  char text[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, double(volts));
    if (std::strtof(text, nullptr) == volts) break;
  }
  return text;
}
}  // namespace

void KeyRecorder::start(const std::string& image_path) {
  events_.clear();
  image_.clear();
  std::ifstream in(image_path, std::ios::binary);
  have_image_ = bool(in);
  if (have_image_) image_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  on_ = true;
}

void KeyRecorder::add(uint64_t tick, std::string token) {
  if (on_) events_.push_back({tick, std::move(token)});
}

void KeyRecorder::key_down(uint64_t tick, uint16_t virtual_key, key_input::KeyTaken taken) {
  using key_input::KeyTaken;
  switch (taken.kind) {
    case KeyTaken::DeviceKey:
      if (std::string name = script_key_name(taken.code); !name.empty()) add(tick, name);
      break;
    case KeyTaken::FuncDown:
      add(tick, "SHIFT_DOWN");
      break;
    case KeyTaken::Escape:
      add(tick, "ESC");
      break;
    case KeyTaken::AltCommand:
      add(tick, virtual_key == VK_DELETE_KEY ? std::string("ALT+DELETE") : "ALT+" + std::string(1, char(virtual_key)));
      break;
    case KeyTaken::Nothing:
      break;  // a key without a meaning, Alt itself, a repeated Shift
  }
}

void KeyRecorder::key_up(uint64_t tick, uint16_t virtual_key) {
  if (virtual_key == VK_SHIFT) add(tick, "SHIFT_UP");
}

void KeyRecorder::key_picture(uint64_t tick, uint8_t tag) {
  if (std::string name = script_key_name(tag); !name.empty()) add(tick, name);
}

void KeyRecorder::func_click(uint64_t tick) { add(tick, "FUNC"); }
void KeyRecorder::focus_out(uint64_t tick) { add(tick, "FOCUS_OUT"); }
void KeyRecorder::cut(uint64_t tick) { add(tick, "CUT"); }
void KeyRecorder::battery(uint64_t tick, float volts) { add(tick, "BATT:" + volts_text(volts)); }
void KeyRecorder::cartridge(uint64_t tick, uint8_t id) { add(tick, "CART:" + std::to_string(id)); }

std::string KeyRecorder::script(uint64_t end_tick, const std::string& image_name,
                                const std::string& script_name) const {
  std::string out =
      "# KLX80 key script recorded by the desktop program: the input from a start of\n"
      "# the device, each on the tick (10 ms) it came on. Replay it on a copy of the\n"
      "# image it started from (the device writes to its image):\n";
  if (have_image_)
    out += "#   cp " + image_name + " replay.hex && klx80-batch --flash replay.hex --script " + script_name + "\n";
  else
    out += "# The device ran without a flash image.\n";
  out += "TIMING:EXACT\n";
  // One line per moment: the ticks waited, then what came on that tick.
  uint64_t at = 0;
  bool open_line = false;
  for (const Event& e : events_) {
    if (e.tick > at || !open_line) {
      if (open_line) out += "\n";
      if (e.tick > at) out += "TICKS:" + std::to_string(e.tick - at) + " ";
      at = e.tick;
      open_line = true;
    } else {
      out += " ";
    }
    out += e.token;
  }
  if (open_line) out += "\n";
  if (end_tick > at) out += "TICKS:" + std::to_string(end_tick - at) + "\n";
  return out;
}

std::string KeyRecorder::image_path_for(const std::string& script_path) {
  std::filesystem::path p(script_path);
  return (p.parent_path() / (p.stem().string() + "-start.hex")).string();
}

bool KeyRecorder::save(const std::string& script_path, const std::string& running_image, uint64_t end_tick,
                       std::string& error) {
  const std::string image_path = image_path_for(script_path);
  for (const std::string& out : {script_path, image_path}) {
    if (output_file_same(out, running_image)) {
      error = "'" + out + "' is the running device's flash image; it would be overwritten";
      return false;
    }
  }
  if (have_image_ && !output_file_write_bytes(image_path, image_.data(), image_.size())) {
    error = "cannot write '" + image_path + "'";
    return false;
  }
  const std::string text = script(end_tick, std::filesystem::path(image_path).filename().string(),
                                  std::filesystem::path(script_path).filename().string());
  if (!output_file_write_bytes(script_path, text.data(), text.size())) {
    error = "cannot write '" + script_path + "'";
    return false;
  }
  on_ = false;
  return true;
}
