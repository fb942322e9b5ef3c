// Message browser (mode 30): every message of the current language in turn,
// one per key, its number on the top line and its text below, scrolling when
// it is too wide. After the last message the next key returns to the editor.
#include <cstdio>

#include "firmware/display/lcd.h"
#include "firmware/editor/message_ids.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/screens/diag.h"
#include "firmware/screens/marquee.h"
#include "firmware/platform/keys.h"

namespace {
struct Browser {
  uint8_t index = 0;
  uint8_t first = 1;  // shows message 0 without waiting for a key, once after start-up
} b;

void show(uint8_t id) {
  char number[8];
  std::snprintf(number, sizeof number, "%d", int(id));
  lcd_clear_text();
  lcd_put_text(0, 0, number, 0);
  // The text is drawn here in every case: the scrolling line only draws the
  // texts that are too wide for it.
  lcd_put_text(1, 0, msg_text(id), 0);
  marquee_start(id, 1, LCD_COLUMNS);
  lcd_flush();
}
}  // namespace

void msg_browser_init() {
  b.index = 0;
  b.first = 1;
}

void msg_browser_task() {
  const uint8_t mode = ui_get_mode();
  if (mode != MODE_MSG_BROWSER && !(mode == MODE_MARQUEE && ui_get_prev_mode() == MODE_MSG_BROWSER)) return;
  if (!b.first && !kbd_get_key()) return;
  b.first = 0;
  kbd_clear_key();
  if (b.index >= MSG_COUNT) {
    b.index = 0;
    ui_set_mode(MODE_EDITOR);
    return;
  }
  show(b.index);
  b.index = uint8_t(b.index + 1);
}
