// The international character picker (mode 5). 28 groups of accented letters
// of the device character set, by base letter, capitals first and then the
// small letters (both tagged with the capital). Up and Down step through the
// groups (wrapping), Left and Right through the letters and on into the
// neighbouring group, 1..9 pick a letter, a base-letter key jumps to its
// group, Enter inserts and returns to the editor, Delete returns to the mode
// the picker was opened from.
#include <algorithm>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/screens/pickers.h"

namespace {
struct Group {
  char tag;
  uint8_t length;
  uint8_t codes[10];  // zero-terminated: drawn as a byte string
};

constexpr Group kGroups[INTL_GROUPS] = {
    {'A', 9, {128, 130, 132, 134, 136, 138, 140, 142, 144}},
    {'A', 9, {129, 131, 133, 135, 137, 139, 141, 143, 145}},
    {'C', 3, {149, 151, 153}},
    {'C', 3, {150, 152, 154}},
    {'D', 2, {155, 157}},
    {'D', 2, {156, 158}},
    {'E', 7, {159, 161, 163, 165, 167, 169, 171}},
    {'E', 7, {160, 162, 164, 166, 168, 170, 172}},
    {'I', 4, {173, 175, 177, 179}},
    {'I', 4, {174, 176, 178, 180}},
    {'L', 3, {181, 183, 185}},
    {'L', 3, {182, 184, 186}},
    {'N', 3, {187, 189, 191}},
    {'N', 3, {188, 190, 192}},
    {'O', 8, {193, 195, 197, 199, 201, 203, 205, 146}},
    {'O', 8, {194, 196, 198, 200, 202, 204, 206, 147}},
    {'R', 2, {207, 209}},
    {'R', 2, {208, 210}},
    {'S', 4, {211, 213, 215, 148}},
    {'S', 4, {212, 214, 216, 148}},
    {'T', 3, {217, 219, 221}},
    {'T', 3, {218, 220, 222}},
    {'U', 6, {223, 225, 227, 229, 231, 233}},
    {'U', 6, {224, 226, 228, 230, 232, 234}},
    {'Y', 2, {235, 237}},
    {'Y', 2, {236, 238}},
    {'Z', 3, {239, 241, 243}},
    {'Z', 3, {240, 242, 244}},
};
constexpr int kLastGroup = INTL_GROUPS - 1;
constexpr int kShown = 3;
constexpr int kCell = 13;      // 9-dot glyphs with spacing 4
constexpr uint8_t kFirstItemTag = '0';  // the tag shows c2 + 1: "1" for item 0

// Letter keys jump to a group: A to its capitals, the others to their small letters.
struct Jump {
  char letter;
  uint8_t group;
};
constexpr Jump kJumps[] = {{'A', 0},  {'C', 3},  {'D', 5},  {'E', 7},  {'I', 9},  {'L', 11}, {'N', 13},
                           {'O', 15}, {'R', 17}, {'S', 19}, {'T', 21}, {'U', 23}, {'Y', 25}, {'Z', 27}};

struct IntlPicker {
  uint8_t group = 0;
  uint8_t item = 0;
  uint8_t top = 0;
  uint8_t redraw = 1;
  uint8_t return_mode = MODE_EDITOR;
} s;

void clamp() { s.item = std::min<uint8_t>(s.item, uint8_t(kGroups[s.group].length - 1)); }

void draw() {
  const int t = s.top + kShown > INTL_GROUPS ? INTL_GROUPS - kShown : s.top;
  for (int line = 0; line < kShown; ++line) lcd_put_text(uint8_t(line), 0, kGroups[t + line].codes, 4);
  lcd_invert_bar(2 * (s.group - t), kCell * s.item, kCell - 1);
  lcd_draw_scrollbar(INTL_GROUPS, s.group);
  lcd_show_picker_tag(uint8_t(kGroups[s.group].tag), uint8_t(kFirstItemTag + s.item));
  lcd_flush();
}

void up() {
  if (s.group > 0) {
    if (s.group % kShown == 0) s.top = uint8_t((s.group - 1) / kShown * kShown);
    --s.group;
  } else {
    s.group = kLastGroup;
    s.top = kLastGroup - 1;
  }
  clamp();
}

void down() {
  if (s.group + 1 < INTL_GROUPS) {
    ++s.group;
    if (s.group % kShown == 0) s.top = s.group;
  } else {
    s.group = 0;
    s.top = 0;
  }
  clamp();
}

bool jump(uint8_t key) {
  for (const Jump& j : kJumps) {
    if (key != key_letter(j.letter)) continue;
    s.group = j.group;
    s.top = uint8_t(kShown * (s.group / kShown));
    s.item = 0;
    return true;
  }
  return false;
}
}  // namespace

// Part of the start-up sequence: the first letter of group 0 is selected
// only at power-on; afterwards the selection is kept between openings.
void intl_init() { s = IntlPicker{}; }

void intl_set_return_mode(uint8_t mode) { s.return_mode = mode; }
uint8_t intl_return_mode() { return s.return_mode; }
uint8_t intl_group() { return s.group; }
uint8_t intl_item() { return s.item; }
uint8_t intl_top() { return s.top; }

const uint8_t* intl_group_codes(int group, int* length) {
  if (group < 0 || group >= INTL_GROUPS) return nullptr;
  if (length) *length = kGroups[group].length;
  return kGroups[group].codes;
}

char intl_group_tag(int group) { return group >= 0 && group < INTL_GROUPS ? kGroups[group].tag : 0; }

void intl_picker_task() {
  if (ui_get_mode() != MODE_INTL_PICKER) return;
  const uint8_t key = kbd_get_key();
  if (s.redraw) {
    s.redraw = 0;
    draw();
  }
  if (key == KEY_NONE) return;
  intl_picker_key(key);
  kbd_clear_key();
  s.redraw = 1;
}

void intl_picker_key(uint8_t key) {
  if (func_is_active()) {
    if (key == KEY_SPACE) mirror_toggle_background();
    func_after_key();
  }
  switch (key) {
    case KEY_DELETE:
      ui_set_mode(s.return_mode);
      break;
    case KEY_ENTER:
      ui_set_mode(MODE_EDITOR);
      lbl_insert_char(kGroups[s.group].codes[s.item]);  // a refusal shows its popup over the editor
      s.redraw = 1;
      break;
    case KEY_UP:
      up();
      break;
    case KEY_DOWN:
      down();
      break;
    case KEY_RIGHT:
      if (s.item < kGroups[s.group].length - 1) {
        ++s.item;
      } else {
        down();
        s.item = 0;
      }
      break;
    case KEY_LEFT:
      if (s.item > 0) {
        --s.item;
      } else {
        s.item = 30;  // Up's clamp puts it on the previous group's last letter
        up();
      }
      break;
    default:
      if (key >= KEY_1 && key <= KEY_9) {
        s.item = uint8_t(key - KEY_1);
        clamp();
      } else {
        jump(key);
      }
      break;
  }
  menu_open_for_key(key);
}
