// Device key codes: one byte in the key register. Codes below 16 are command
// keys, 16 and up character keys. The host never produces 2, 5 or 7, and Func
// (6) never reaches the register: it drives the Func state machine instead.
#pragma once
#include <cstdint>

enum : uint8_t {
  KEY_NONE = 0,
  KEY_MENU = 1,
  KEY_LABEL = 3,
  KEY_FONT = 4,
  KEY_FUNC = 6,
  KEY_DELETE = 8,
  KEY_ENTER = 9,
  KEY_PRINT = 10,
  KEY_UP = 11,
  KEY_DOWN = 12,
  KEY_RIGHT = 13,
  KEY_LEFT = 14,
  KEY_CAPS = 15,
  KEY_SPACE = 16,
  KEY_0 = 17,
  KEY_1 = 18,
  KEY_2 = 19,
  KEY_3 = 20,
  KEY_4 = 21,
  KEY_5 = 22,
  KEY_6 = 23,
  KEY_7 = 24,
  KEY_8 = 25,
  KEY_9 = 26,
  KEY_A = 27,
  KEY_B = 28,
  KEY_C = 29,
  KEY_D = 30,
  KEY_E = 31,
  KEY_F = 32,
  KEY_G = 33,
  KEY_H = 34,
  KEY_I = 35,
  KEY_J = 36,
  KEY_K = 37,
  KEY_L = 38,
  KEY_M = 39,
  KEY_N = 40,
  KEY_O = 41,
  KEY_P = 42,
  KEY_Q = 43,
  KEY_R = 44,
  KEY_S = 45,
  KEY_T = 46,
  KEY_U = 47,
  KEY_V = 48,
  KEY_W = 49,
  KEY_X = 50,
  KEY_Y = 51,
  KEY_Z = 52,
};

// Digit key for 0..9 and letter key for 'A'..'Z'.
constexpr uint8_t key_digit(int d) { return d == 0 ? uint8_t(KEY_0) : uint8_t(KEY_1 + d - 1); }
constexpr uint8_t key_letter(char c) { return uint8_t(KEY_A + (c - 'A')); }
