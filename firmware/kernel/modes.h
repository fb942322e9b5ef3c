// UI modes: the one byte that says which screen is live. Each screen's mode
// task returns at once unless the mode register holds its mode.
#pragma once
#include <cstdint>

enum : uint8_t {
  MODE_EDITOR = 1,
  MODE_EDITOR_ALT = 2,  // treated exactly like 1; nothing sets it
  MODE_MENU = 3,
  MODE_SYMBOL_PICKER = 4,
  MODE_INTL_PICKER = 5,
  MODE_FILE_NAME = 6,
  MODE_MARQUEE = 8,
  MODE_PRINT = 9,
  MODE_POPUP = 12,
  MODE_DIAG = 13,
  MODE_DIAG_TEST_LABEL = 14,
  MODE_DIAG_TEST_LABEL_CUT = 15,
  MODE_HEAD_DIAG = 16,
  MODE_ENERGY_SWEEP = 17,
  MODE_RULER_350 = 18,
  MODE_RULER_500 = 19,
  MODE_RULER_1000 = 20,
  MODE_ENDLESS_GLYPHS = 22,
  MODE_GLYPH_CHART = 23,
  MODE_SAMPLES_ALL = 24,
  MODE_SAMPLE_ONE = 25,
  MODE_FEED = 26,
  MODE_POWER_ON = 28,
  MODE_PASS_THROUGH = 29,
  MODE_MSG_BROWSER = 30,
  MODE_CUTTER_TEST = 31,
  MODE_CONFIRM = 32,
  MODE_BURN_TEST = 33,
};

// The print engine acts only in these modes; the tick's mode tasks never do.
constexpr bool ui_is_printing_mode(uint8_t m) {
  return m == 9 || (m >= 14 && m <= 20) || (m >= 22 && m <= 26) || m == 31 || m == 33;
}
