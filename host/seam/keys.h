// Key input's host side: storing into the key register the firmware reads,
// the PC keyboard table (Windows virtual-key numbers are the table's key
// space; the desktop layer maps its toolkit's keys onto them) and the device
// window's key handling, including Shift as Func and the Alt service commands.
#pragma once
#include <cstddef>
#include <cstdint>

#include "firmware/platform/keys.h"

// Virtual-key numbers used by the table and the window's key handling.
enum : uint16_t {
  VK_BACK = 8,
  VK_RETURN = 13,
  VK_SHIFT = 16,
  VK_MENU_ALT = 18,  // the Alt key
  VK_CAPITAL = 20,
  VK_ESCAPE = 27,
  VK_SPACE_BAR = 32,
  VK_LEFT_ARROW = 37,
  VK_UP_ARROW = 38,
  VK_RIGHT_ARROW = 39,
  VK_DOWN_ARROW = 40,
  VK_DELETE_KEY = 46,
  VK_F1 = 112,
  VK_F5 = 116,
  VK_F12 = 123,
};

// A key press: the code replaces one not yet taken (Func never enters).
void kbd_put_key(uint8_t code);
// The device key code of a PC key, 0 for none.
uint8_t kbd_map_pc_key(uint16_t virtual_key);

// The device window's input handling, free of any toolkit.
namespace key_input {
// What a PC key going down did to the device, for the recorder of the user's
// input: stored a device key, pressed Func (Shift), ran an Alt command, or
// Esc (which ends a service command). Nothing for a key without a meaning.
struct KeyTaken {
  enum Kind : uint8_t { Nothing, DeviceKey, FuncDown, AltCommand, Escape } kind = Nothing;
  uint8_t code = 0;  // DeviceKey: the device key code
};
// A PC key went down (auto-repeat sends it again) or up.
KeyTaken key_down(uint16_t virtual_key);
void key_up(uint16_t virtual_key);
// A mouse-down on a key picture with its tag (any button).
void key_picture_down(uint8_t tag);
// A click on the Func key picture: press and release of Func.
void func_picture_click();
// Forget the Alt and Shift flags (a fresh start).
void reset();
// The window lost the keyboard: Alt and Shift may be released where it cannot
// see them. A held Shift ends the Func state with it (lamp out), so no later
// key is taken in the Func layer; a Func latched by the key picture stays.
// True when Alt or Shift was held.
bool focus_lost();
// Keys and Func presses wait here in order and enter the one-key register
// only when it is empty, so fast typing loses nothing. Called on every tick
// and after every key event; the window thread only.
void feed();
// Called once per device tick before it runs: feeds, and lets a key the
// device leaves unread for five ticks give way to the next waiting one.
void tick();
size_t queued();
// The device key a PC key stands for (Shift gives Func), 0 for none: which
// key picture to draw pressed.
uint8_t device_key_for(uint16_t virtual_key);
// Forget the waiting keys and Func presses (a fresh start of the device).
void clear_queue();
// The function keys for the device keys that have no PC key on the table,
// and for the Cut switch (handled by the window, which shows the switch).
constexpr uint16_t kMenuKey = VK_F1, kLabelKey = VK_F1 + 1, kFontKey = VK_F1 + 2, kPrintKey = VK_F1 + 3,
                   kCutKey = VK_F5;
// Called after every key event so the window can come to the front.
void set_bring_to_front(void (*callback)());
}  // namespace key_input
