// Key input's host side: storing into the key register the firmware reads,
// the PC keyboard table (Windows virtual-key numbers are the table's key
// space; the desktop layer maps its toolkit's keys onto them) and the device
// window's key handling, including Shift as Func and the Alt service commands.
#pragma once
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
// Called after every key event so the window can come to the front.
void set_bring_to_front(void (*callback)());
}  // namespace key_input
