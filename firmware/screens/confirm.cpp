// The Yes/No confirmation. Yes on "Delete?" empties the slot (464 bytes of
// 0xFF, no checksum) and returns to the editor; Yes on "Replace?" goes on to
// the file name entry for that slot; No and Delete return to the menu.
#include "firmware/screens/confirm.h"

#include <cstring>

#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/keys.h"
#include "firmware/screens/fname.h"

namespace {
constexpr int kYesX = 38, kNoX = 78;  // highlight bars on page 4

struct Confirm {
  uint8_t answer = 0;
  uint8_t kind = 0;
  uint8_t slot = 0;
} c;

int bar_width(uint8_t id) { return int(9 * std::strlen(msg_text(id)) + 2); }

void act() {
  if (!c.answer) {
    ui_set_mode(MODE_MENU);
  } else if (c.kind == CONFIRM_DELETE) {
    LabelRecord erased;
    std::memset(&erased, 0xFF, sizeof erased);
    nvm_save_label_file(c.slot, &erased, false);
    ui_set_mode(MODE_EDITOR);
  } else {
    fname_start(c.slot);
  }
}
}  // namespace

void confirm_init() { c = Confirm{}; }

void confirm_open(uint8_t kind, uint8_t slot) {
  ui_set_mode(MODE_CONFIRM);
  c.kind = kind;
  c.slot = slot;
  c.answer = 0;
  const char* q = msg_text(kind == CONFIRM_DELETE ? MSG_DELETE_Q : MSG_REPLACE_Q);
  lcd_clear_text();
  lcd_indicators_off();
  lcd_clear_status();
  const int length = int(std::strlen(q));
  lcd_put_text(1, length < 15 ? (15 - length) / 2 * 9 : 0, q, 0);
  lcd_put_text(2, 40, msg_text(MSG_YES), 0);
  lcd_put_text(2, 80, msg_text(MSG_NO), 0);
  lcd_invert_bar(4, kNoX, bar_width(MSG_NO));
  lcd_flush();
}

void confirm_task() {
  if (ui_get_mode() != MODE_CONFIRM) return;
  const uint8_t key = kbd_get_key();
  if (key == KEY_NONE) return;
  kbd_clear_key();
  switch (key) {
    case KEY_DELETE:
      ui_set_mode(MODE_MENU);
      break;
    case KEY_RIGHT:
    case KEY_LEFT:
      c.answer = c.answer ? 0 : 1;
      lcd_invert_bar(4, kNoX, bar_width(MSG_NO));
      lcd_invert_bar(4, kYesX, bar_width(MSG_YES));
      break;
    case KEY_ENTER:
    case KEY_PRINT:
      act();
      break;
    default:
      break;
  }
  menu_open_for_key(key);
  lcd_flush();
}

uint8_t confirm_answer() { return c.answer; }
