// The editor's two key maps, indexed by device key code 0..52. Codes below
// 16 are command keys and map to nothing; the Func layer holds punctuation,
// the device's own font codes (0xF5, 0xF6, 0xF8, 0x220..0x228) and three
// commands (5, 15, 17) that open the pickers and the barcode menu.
#include "firmware/editor/editor.h"

namespace {
constexpr int kKeyCount = 53;

constexpr uint16_t kFuncMap[kKeyCount] = {
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0x20,                   // 16 Space (Func+Space is taken before the map)
    0x220,                  // 17 KEY_0
    ED_FUNC_SYMBOL_PICKER,  // 18 KEY_1
    ED_FUNC_BARCODE_MENU,   // 19 KEY_2
    '-',                    // 20 KEY_3
    0x227,                  // 21 KEY_4
    0x228,                  // 22 KEY_5
    ED_FUNC_INTL_PICKER,    // 23 KEY_6
    0x222,                  // 24 KEY_7
    '+',                    // 25 KEY_8
    '=',                    // 26 KEY_9
    '!',                    // 27 KEY_A
    '@',                    // 28 KEY_B
    '#',                    // 29 KEY_C
    '$',                    // 30 KEY_D
    '%',                    // 31 KEY_E
    '&',                    // 32 KEY_F
    '*',                    // 33 KEY_G
    '(',                    // 34 KEY_H
    ')',                    // 35 KEY_I
    ':',                    // 36 KEY_J
    ',',                    // 37 KEY_K
    '.',                    // 38 KEY_L
    '"',                    // 39 KEY_M
    '/',                    // 40 KEY_N
    '\\',                   // 41 KEY_O
    0xF6,                   // 42 KEY_P
    '_',                    // 43 KEY_Q
    0xF5,                   // 44 KEY_R
    '\'',                   // 45 KEY_S
    0xF8,                   // 46 KEY_T
    0x225,                  // 47 KEY_U
    0x226,                  // 48 KEY_V
    0x223,                  // 49 KEY_W
    0x224,                  // 50 KEY_X
    'Y',                    // 51 KEY_Y: upper case whatever Caps says
    'Z',                    // 52 KEY_Z
};
}  // namespace

bool kbd_is_command_key(uint8_t key) { return key < 16; }

uint16_t kbd_key_to_char(uint8_t key, uint8_t caps) {
  uint16_t c = 0;
  if (key == 16)
    c = 0x20;
  else if (key >= 17 && key <= 26)
    c = uint16_t('0' + key - 17);
  else if (key >= 27 && key <= 52)
    c = uint16_t('A' + key - 27);
  if (caps == 0 && c >= 0x41 && c <= 0x5A) c = uint16_t(c + 0x20);
  return c;
}

uint16_t kbd_key_to_func_char(uint8_t key) { return key < kKeyCount ? kFuncMap[key] : 0; }
