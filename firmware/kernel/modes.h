// UI modes: the one byte that says which screen is live. Each screen's mode
// task returns at once unless the mode register holds its mode; the print
// engine (worker thread) acts only in the printing modes.
//
// kModes below is the one list: what each mode is and whether it is built.
// A mode marked not built would hand straight back to the editor, and a
// service command that would start one shows "Function Not Available".
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

// A printing mode belongs to the print engine: the tick's mode tasks stay out.
enum class ModeKind : uint8_t { Screen, Printing };
enum class Built : uint8_t { Yes, NotYet };

struct ModeInfo {
  uint8_t mode;
  ModeKind kind;
  Built built;
};

constexpr ModeInfo kModes[] = {
    {MODE_EDITOR, ModeKind::Screen, Built::Yes},
    {MODE_EDITOR_ALT, ModeKind::Screen, Built::Yes},
    {MODE_MENU, ModeKind::Screen, Built::Yes},
    {MODE_SYMBOL_PICKER, ModeKind::Screen, Built::Yes},
    {MODE_INTL_PICKER, ModeKind::Screen, Built::Yes},
    {MODE_FILE_NAME, ModeKind::Screen, Built::Yes},
    {MODE_MARQUEE, ModeKind::Screen, Built::Yes},
    {MODE_PRINT, ModeKind::Printing, Built::Yes},
    {MODE_POPUP, ModeKind::Screen, Built::Yes},
    {MODE_DIAG, ModeKind::Screen, Built::Yes},
    {MODE_DIAG_TEST_LABEL, ModeKind::Printing, Built::Yes},
    {MODE_DIAG_TEST_LABEL_CUT, ModeKind::Printing, Built::Yes},
    {MODE_HEAD_DIAG, ModeKind::Printing, Built::Yes},
    {MODE_ENERGY_SWEEP, ModeKind::Printing, Built::Yes},
    {MODE_RULER_350, ModeKind::Printing, Built::Yes},
    {MODE_RULER_500, ModeKind::Printing, Built::Yes},
    {MODE_RULER_1000, ModeKind::Printing, Built::Yes},
    {MODE_ENDLESS_GLYPHS, ModeKind::Printing, Built::Yes},
    {MODE_GLYPH_CHART, ModeKind::Printing, Built::Yes},
    {MODE_SAMPLES_ALL, ModeKind::Printing, Built::Yes},
    {MODE_SAMPLE_ONE, ModeKind::Printing, Built::Yes},
    {MODE_FEED, ModeKind::Printing, Built::Yes},
    {MODE_POWER_ON, ModeKind::Screen, Built::Yes},
    {MODE_PASS_THROUGH, ModeKind::Screen, Built::Yes},
    {MODE_MSG_BROWSER, ModeKind::Screen, Built::Yes},
    {MODE_CUTTER_TEST, ModeKind::Printing, Built::Yes},
    {MODE_CONFIRM, ModeKind::Screen, Built::Yes},
    {MODE_BURN_TEST, ModeKind::Printing, Built::Yes},
};

constexpr const ModeInfo* ui_mode_info(uint8_t m) {
  for (const ModeInfo& info : kModes)
    if (info.mode == m) return &info;
  return nullptr;
}

// A printing mode, built or not: the editor and the other screens stand aside.
constexpr bool ui_is_printing_mode(uint8_t m) {
  const ModeInfo* info = ui_mode_info(m);
  return info != nullptr && info->kind == ModeKind::Printing;
}

// A mode whose screen or job exists.
constexpr bool ui_mode_is_built(uint8_t m) {
  const ModeInfo* info = ui_mode_info(m);
  return info != nullptr && info->built == Built::Yes;
}
