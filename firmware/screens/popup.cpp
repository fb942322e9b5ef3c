// The message popup (mode 12): one message, word-wrapped over up to three
// lines of 14 characters and centred for 9-dot characters. A timed popup
// closes on its 102nd tick and throws away a key pressed meanwhile; an
// untimed one (the print engine's "Cut or Print" pause) waits for
// msg_popup_close. The print engine opens and closes popups from its worker
// thread, so every field is atomic: the fields are written before the mode
// switch and the dirty flag after it, so the tick never draws a half-set
// popup.
#include "firmware/screens/popup.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/platform/keys.h"

namespace {
constexpr size_t kHistorySize = 4096;  // ids kept for the batch runner's report
constexpr int kLineChars = 14;

struct Popup {
  std::atomic<uint16_t> ticks{0};
  std::atomic<uint8_t> dirty{0};
  std::atomic<uint8_t> timed{1};
  std::atomic<uint8_t> return_mode{MODE_EDITOR};
  std::atomic<uint8_t> message{0};
  std::atomic<size_t> history_count{0};
  std::atomic<uint8_t> history[kHistorySize] = {};
} p;

// Centring assumes 9 dots a character and 14 characters a line.
uint8_t centred_x(size_t length) { return uint8_t((kLineChars - length) / 2 * 9 + 8); }

void draw(uint8_t id) {
  lcd_clear_text();
  lcd_clear_status();
  lcd_indicators_off();
  const char* text = msg_text(id);
  PopupLine lines[3];
  int count = msg_popup_layout(text, lines);
  for (int i = 0; i < count; ++i) {
    char buffer[kLineChars + 1];
    std::memcpy(buffer, text + lines[i].offset, lines[i].length);
    buffer[lines[i].length] = 0;
    // Centring counts 9 dots a character; a line of wider letters would run
    // past the screen's right edge (and plain text drops a character that
    // starts at column 119 or later). Such a line moves left until it ends
    // at the edge and is drawn up to the edge, so every letter shows.
    int width = 0;
    for (size_t k = 0; k < lines[i].length; ++k) width += font_glyph_width(1, 0, uint8_t(buffer[k]));
    const int x = std::max(0, std::min<int>(lines[i].x, LCD_COLUMNS - width));
    lcd_put_text_window(lines[i].line, x, LCD_COLUMNS, buffer, 0);
  }
  lcd_flush();
}
}  // namespace

int msg_popup_layout(const char* text, PopupLine out[3]) {
  size_t n = std::strlen(text);
  if (n <= kLineChars) {
    out[0] = {1, centred_x(n), 0, uint8_t(n)};
    return 1;
  }
  int count = 0;
  size_t at = 0;
  for (uint8_t line = 0; line <= 2 && at < n; ++line) {
    size_t rest = n - at;
    if (rest <= kLineChars) {
      out[count++] = {line, centred_x(rest), uint8_t(at), uint8_t(rest)};
      break;
    }
    // Break at the last space among the next 14 bytes (14 when there is
    // none); the space starts the next line and counts in its centring.
    size_t k = kLineChars;
    for (size_t i = 0; i < kLineChars; ++i)
      if (text[at + i] == ' ') k = i;
    out[count++] = {line, centred_x(k), uint8_t(at), uint8_t(k)};
    at += k;
  }
  return count;
}

void msg_popup_init() {
  p.ticks = 0;
  p.dirty = 0;
  p.timed = 1;
  msg_popup_history_reset();
}

void msg_popup_show(uint8_t id, uint8_t timed) {
  uint8_t mode = ui_get_mode();
  if (mode == MODE_POPUP) return;  // the message first shown stays
  p.ticks = 0;
  p.timed = timed;
  // A popup over the menu's marquee returns to the menu itself.
  p.return_mode = mode == MODE_MARQUEE ? uint8_t(MODE_MENU) : mode;
  p.message = id;
  size_t slot = p.history_count.fetch_add(1);
  if (slot < kHistorySize) p.history[slot] = id;
  ui_set_mode(MODE_POPUP);
  p.dirty = 1;
}

void msg_popup_close() { ui_set_mode(p.return_mode); }

void msg_popup_task() {
  if (ui_get_mode() != MODE_POPUP) return;
  if (p.timed) {
    uint16_t t = p.ticks;
    p.ticks = uint16_t(t + 1);
    if (t > 100) {
      kbd_clear_key();  // a key pressed while the popup showed is dropped
      ui_set_mode(p.return_mode);
    }
  }
  if (p.dirty) {
    p.dirty = 0;
    draw(p.message);
  }
}

bool msg_popup_draw_pending() { return ui_get_mode() == MODE_POPUP && p.dirty != 0; }

bool msg_popup_timed() { return ui_get_mode() == MODE_POPUP && p.timed != 0; }

int msg_popup_current() { return ui_get_mode() == MODE_POPUP ? int(p.message) : -1; }

size_t msg_popup_history_count() {
  size_t n = p.history_count;
  return n < kHistorySize ? n : kHistorySize;
}

uint8_t msg_popup_history_at(size_t index) { return index < kHistorySize ? p.history[index].load() : 0; }

void msg_popup_history_reset() { p.history_count = 0; }
