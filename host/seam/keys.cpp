#include "host/seam/keys.h"

#include <atomic>
#include <deque>

#include "firmware/editor/editor.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/screens/diag.h"
#include "host/seam/power.h"

namespace {
struct KeyState {
  // Stored by the window thread, read and cleared by the tick and the worker.
  std::atomic<uint8_t> reg{0};
  bool alt_down = false;
  bool shift_down = false;
  void (*bring_to_front)() = nullptr;
} s;

// What waits for the register: a device key code, or a Func press or release
// (kept in line so Func acts on exactly the keys typed after it).
enum class Pending : uint8_t { Key, FuncDown, FuncUp, FuncRelease };
struct Waiting {
  Pending kind;
  uint8_t code;
};
// Window thread only. Bounded so a stuck device cannot grow it without end;
// at 100 keys a second taken, the bound is ten seconds of typing ahead.
std::deque<Waiting> queue;
constexpr size_t kQueueLimit = 1000;
// Ticks the register has held a key the device did not take while others
// wait. The device takes a key within a tick when it reads keys at all; one
// it leaves (the cut pause takes only Print and Delete) is replaced by the
// next after this long, as the device's own register would replace it.
int held_ticks = 0;
constexpr int kStaleTicks = 5;

void act_on_func(Pending kind) {
  if (kind == Pending::FuncDown)
    func_key_down();
  else if (kind == Pending::FuncUp)
    func_key_up();
  else
    func_release();
}

void enqueue(Pending kind, uint8_t code) {
  // Func acts at once unless keys wait: then it takes its place in line.
  if (kind != Pending::Key && queue.empty()) {
    act_on_func(kind);
    return;
  }
  if (queue.size() < kQueueLimit) queue.push_back({kind, code});
  key_input::feed();
}

// The function keys for the keys the table leaves to the mouse.
uint8_t function_key_code(uint16_t virtual_key) {
  switch (virtual_key) {
    case key_input::kMenuKey:
      return 1;
    case key_input::kLabelKey:
      return 3;
    case key_input::kFontKey:
      return 4;
    case key_input::kPrintKey:
      return 10;
    default:
      return 0;
  }
}

struct TableEntry {
  uint16_t virtual_key;
  uint8_t code;
};

// Searched in order, first match wins.
constexpr TableEntry kPcKeys[] = {
    {65, 27}, {66, 28}, {67, 29}, {68, 30}, {69, 31}, {70, 32}, {71, 33}, {72, 34}, {73, 35}, {74, 36},
    {75, 37}, {76, 38}, {77, 39}, {78, 40}, {79, 41}, {80, 42}, {81, 43}, {82, 44}, {83, 45}, {84, 46},
    {85, 47}, {86, 48}, {87, 49}, {88, 50}, {89, 51}, {90, 52}, {48, 17}, {49, 18}, {50, 19}, {51, 20},
    {52, 21}, {53, 22}, {54, 23}, {55, 24}, {56, 25}, {57, 26}, {38, 11}, {40, 12}, {37, 14}, {39, 13},
    {46, 8},  {8, 8},   {13, 9},  {20, 15}, {32, 16}, {16, 6},
};
static_assert(sizeof kPcKeys / sizeof kPcKeys[0] == 46);

struct AltCommand {
  uint16_t virtual_key;
  uint8_t command;
};

constexpr AltCommand kAltCommands[] = {
    {'A', 1},  {'B', 2},  {'C', 3},  {'D', 4},  {'E', 5},  {'F', 6},           {'G', 7},  {'L', 8},
    {'M', 9},  {'J', 23}, {'U', 22}, {'O', 10}, {'W', 11}, {'X', 12},          {'Y', 14}, {'1', 15},
    {'Z', 15}, {'P', 17}, {'Q', 18}, {'R', 19}, {'T', 20}, {VK_DELETE_KEY, 0},
};

void bring_to_front() {
  if (s.bring_to_front) s.bring_to_front();
}

// Runs an Alt command; false when the key has none.
bool alt_command(uint16_t virtual_key) {
  for (const AltCommand& a : kAltCommands) {
    if (a.virtual_key != virtual_key) continue;
    if (virtual_key == '1') diag_set_speed_test(0);
    if (virtual_key == 'Z') diag_set_speed_test(1);
    if (virtual_key == VK_DELETE_KEY) {
      // Both settings copies go: the next start-up writes the factory
      // settings. The editor the command returns to says so, in the
      // language the user has read until now.
      const char* note = diag_erased_note();
      diag_erase_settings();
      ed_show_status_note(note);
    }
    diag_alt_command(a.command);
    return true;
  }
  return false;
}
}  // namespace

void kbd_init() { s.reg = 0; }
uint8_t kbd_get_key() { return s.reg; }
void kbd_clear_key() { s.reg = 0; }

void kbd_put_key(uint8_t code) {
  if (code != 6) s.reg = code;  // Func never enters the register
}

uint8_t kbd_map_pc_key(uint16_t virtual_key) {
  for (const TableEntry& e : kPcKeys)
    if (e.virtual_key == virtual_key) return e.code;
  return 0;
}

void kbd_task() {}
uint8_t kbd_poll_hw() { return 0; }

namespace key_input {

KeyTaken key_down(uint16_t virtual_key) {
  KeyTaken taken;
  pwr_activity();
  if (virtual_key == VK_SHIFT && !s.shift_down) {
    s.shift_down = true;  // auto-repeat of Shift is ignored
    enqueue(Pending::FuncDown, 0);
    taken.kind = KeyTaken::FuncDown;
  }
  if (virtual_key == VK_MENU_ALT) s.alt_down = true;
  if (virtual_key == VK_ESCAPE) {
    diag_set_command(0);
    taken.kind = KeyTaken::Escape;
  }
  if (s.alt_down) {
    if (alt_command(virtual_key)) {
      s.alt_down = false;
      taken.kind = KeyTaken::AltCommand;
    }
  } else {
    // Unmapped keys (and Func, which the register never takes) wait for
    // nothing and take nothing away from the keys still waiting.
    const uint8_t code = device_key_for(virtual_key);
    if (code != 0 && code != KEY_FUNC) {
      enqueue(Pending::Key, code);
      taken = {KeyTaken::DeviceKey, code};
    }
  }
  bring_to_front();
  return taken;
}

void key_up(uint16_t virtual_key) {
  if (virtual_key == VK_MENU_ALT) s.alt_down = false;
  if (virtual_key == VK_SHIFT) {
    enqueue(Pending::FuncUp, 0);
    s.shift_down = false;
  }
}

void key_picture_down(uint8_t tag) {
  pwr_activity();
  if (tag && tag != 6) enqueue(Pending::Key, tag);
  bring_to_front();
}

void func_picture_click() {
  enqueue(Pending::FuncDown, 0);
  enqueue(Pending::FuncUp, 0);
}

void tick() {
  if (queue.empty() || s.reg.load() == 0) {
    held_ticks = 0;
  } else if (++held_ticks >= kStaleTicks) {
    held_ticks = 0;
    s.reg = 0;  // the unread key gives way to the next
  }
  feed();
}

void feed() {
  while (!queue.empty() && s.reg.load() == 0) {
    Waiting next = queue.front();
    queue.pop_front();
    if (next.kind == Pending::Key) {
      kbd_put_key(next.code);
      held_ticks = 0;  // a fresh key: the device has its full five ticks to take it
    } else
      act_on_func(next.kind);
  }
}

uint8_t device_key_for(uint16_t virtual_key) {
  uint8_t code = kbd_map_pc_key(virtual_key);
  return code ? code : function_key_code(virtual_key);
}

size_t queued() { return queue.size(); }
void clear_queue() {
  queue.clear();
  held_ticks = 0;
}

void reset() {
  s.alt_down = false;
  s.shift_down = false;
}

bool focus_lost() {
  const bool held = s.shift_down || s.alt_down;
  // In line behind the keys typed while Shift was held, which keep their Func.
  if (s.shift_down) enqueue(Pending::FuncRelease, 0);
  reset();
  return held;
}

void set_bring_to_front(void (*callback)()) { s.bring_to_front = callback; }

}  // namespace key_input
