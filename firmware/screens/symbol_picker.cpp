// The symbol picker (mode 4). Codes 513..552 are the device's own pictograms
// (extended glyphs 1..40); the last 17 are characters of the device set the
// keyboard has no key for. Keys: arrows move through the grid (Left on the
// first symbol wraps to the last, Right on the last to the first), 1..5 pick
// a column, Enter inserts and returns to the editor, Delete leaves to the
// editor or, when the main menu opened the picker, back to the main menu.
#include <algorithm>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/menu/menu_ids.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/screens/pickers.h"

namespace {
constexpr uint16_t kSymbols[SYM_COUNT] = {
    513, 514, 515, 516, 517, 518, 519, 520, 521, 522, 523, 524, 525, 526, 527,  // rows 0-2
    528, 529, 530, 531, 532, 533, 534, 535, 536, 537, 538, 539, 540, 541, 542,  // rows 3-5
    543, 544, 545, 546, 547, 548, 549, 550, 551, 552,                           // rows 6-7
    '?', 253, 252, ';', '<', '>', '[', ']', '^', '{', '}', '|', '~', 247, 249,  // rows 8-10
    251, 250,                                                                   // row 11
};
constexpr int kLastRow = SYM_ROWS - 1;
constexpr int kShown = 2 * SYM_COLUMNS;  // two rows on the screen
constexpr uint8_t kBlankTag = ' ';       // the tag shows c2 + 1: two blanks

struct SymbolPicker {
  uint8_t row = 0;
  uint8_t col = 0;
  uint8_t top = 0;
  uint8_t redraw = 1;
  uint8_t from_editor = 0;
} s;

int selected() { return s.row * SYM_COLUMNS + s.col; }

// The last row is short: a column past its end becomes its last column.
void clamp() {
  if (selected() >= SYM_COUNT) s.col = SYM_COUNT % SYM_COLUMNS - 1;
}

void draw() {
  // The selected row is always one of the two shown; row 1 keeps the top it had.
  if (s.row >= 2)
    s.top = uint8_t(s.row - 1);
  else if (s.row == 0)
    s.top = 0;
  const int first = s.top * SYM_COLUMNS;
  const int n = SYM_COUNT > first + kShown ? kShown : SYM_COUNT - first;
  lcd_draw_char_grid(s.row - s.top, s.col, kSymbols + first, n);
  lcd_draw_scrollbar(SYM_ROWS, s.row);
  lcd_show_picker_tag(kBlankTag, kBlankTag - 1);
  lcd_flush();
}

void leave_with_delete() {
  if (s.from_editor) {
    ui_set_mode(MODE_EDITOR);
  } else {
    menu_open(MENU_MAIN);
    ui_set_mode(MODE_MENU);
  }
  s.from_editor = 0;
}
}  // namespace

// Part of the start-up sequence: the selection starts at the first symbol
// only here, at power-on, and is kept between openings after that.
void sym_init() { s = SymbolPicker{}; }

void sym_open_from_editor() { s.from_editor = 1; }
uint8_t sym_from_editor() { return s.from_editor; }
uint16_t sym_code(int index) { return index >= 0 && index < SYM_COUNT ? kSymbols[index] : 0; }
uint8_t sym_row() { return s.row; }
uint8_t sym_col() { return s.col; }
uint8_t sym_top() { return s.top; }

void sym_picker_task() {
  if (ui_get_mode() != MODE_SYMBOL_PICKER) return;
  const uint8_t key = kbd_get_key();
  if (s.redraw) {
    s.redraw = 0;
    draw();
  }
  if (key == KEY_NONE) return;
  sym_picker_key(key);
  kbd_clear_key();
  s.redraw = 1;
}

void sym_picker_key(uint8_t key) {
  if (func_is_active()) {
    if (key == KEY_SPACE) mirror_toggle_background();
    func_after_key();
  }
  switch (key) {
    case KEY_DELETE:
      leave_with_delete();
      break;
    case KEY_ENTER:
      ui_set_mode(MODE_EDITOR);
      lbl_insert_char(kSymbols[selected()]);  // a refusal shows its popup over the editor
      s.redraw = 1;
      s.from_editor = 0;
      break;
    case KEY_UP:
      s.row = s.row == 0 ? kLastRow : uint8_t(s.row - 1);
      clamp();
      break;
    case KEY_DOWN:
      s.row = s.row == kLastRow ? 0 : uint8_t(s.row + 1);
      clamp();
      break;
    case KEY_RIGHT:
      if (selected() >= SYM_COUNT - 1) {
        s.row = 0;
        s.col = 0;
      } else if (s.col < SYM_COLUMNS - 1) {
        ++s.col;
      } else {
        s.col = 0;
        ++s.row;
      }
      break;
    case KEY_LEFT:
      if (s.col > 0) {
        --s.col;
      } else {
        s.col = SYM_COLUMNS - 1;
        s.row = s.row == 0 ? kLastRow : uint8_t(s.row - 1);
        clamp();
      }
      break;
    case KEY_1:
    case KEY_2:
    case KEY_3:
    case KEY_4:
    case KEY_5:
      s.col = uint8_t(key - KEY_1);
      clamp();
      break;
    default:
      break;
  }
  menu_open_for_key(key);
  // Left by any key (a menu key too): the next opening says anew who opened it,
  // so Delete after a later opening from the main menu goes back there.
  if (ui_get_mode() != MODE_SYMBOL_PICKER) s.from_editor = 0;
}
