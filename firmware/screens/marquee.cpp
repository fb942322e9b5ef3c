// The marquee: one step every 9 ticks (90 ms). A start draws the text from
// its beginning and pauses six steps; scrolling moves it one dot left per
// step until only the last column of character length - visible - 1 is left
// at the window's left edge; that frame pauses six steps and the scroll
// starts over. All characters are taken to be as wide as the first one.
#include "firmware/screens/marquee.h"

#include <cstring>

#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"

namespace {
constexpr uint8_t kStepTicks = 8;   // acts when the count was 8: every 9th tick
constexpr uint8_t kPauseSteps = 5;  // leaves the pause on its sixth step

enum : uint8_t { IDLE = 0, START = 1, SCROLLING = 2, PAUSE_START = 3, PAUSE_END = 4 };

// The serial menu's captions keep their highlight on the value, not here.

struct Marquee {
  const char* text = "";
  uint8_t message = 0;
  uint8_t line = 0;
  uint8_t width = 0;
  uint8_t length = 0;
  uint8_t visible = 0;
  uint8_t state = IDLE;
  uint8_t pos = 0;
  uint8_t offset = 0;
  uint8_t char_width = 0;
  uint8_t pause = 0;
  uint8_t divider = 0;
} mq;

uint8_t char_width_at(uint8_t index) { return font_glyph_width(1, 0, static_cast<uint8_t>(mq.text[index])); }

void draw_window(uint8_t skip) {
  lcd_put_text_window(mq.line, 0, mq.width, mq.text + mq.pos, skip);
  if (mq.message != MSG_INCREMENT_BY && mq.message != MSG_START && mq.message != MSG_END)
    lcd_invert_line(mq.line, 0, mq.width);  // the scrolled entry is the selected one
  lcd_flush_line(mq.line);
}

void step() {
  switch (mq.state) {
    case START:
      mq.pos = 0;
      mq.offset = 0;
      mq.char_width = char_width_at(0);
      mq.pause = 0;
      draw_window(0);
      mq.state = PAUSE_START;
      break;
    case SCROLLING: {
      const uint8_t o = mq.offset++;
      draw_window(o);
      if (mq.offset >= mq.char_width) {
        mq.offset = 0;
        if (mq.pos + mq.visible + 1 < mq.length) {
          ++mq.pos;
          mq.char_width = char_width_at(mq.pos);
        } else {
          mq.pause = 0;
          mq.state = PAUSE_END;
        }
      }
      break;
    }
    case PAUSE_START:
    case PAUSE_END: {
      const uint8_t p = mq.pause++;
      if (p == kPauseSteps) mq.state = mq.state == PAUSE_START ? SCROLLING : START;
      break;
    }
    default:
      break;
  }
}
}  // namespace

void marquee_init() { mq = Marquee{}; }

void marquee_start(uint8_t id, uint8_t line, uint8_t width) {
  const char* text = msg_text(id);
  const size_t n = std::strlen(text);
  const uint8_t w0 = n ? font_glyph_width(1, 0, static_cast<uint8_t>(text[0])) : 0;
  if (n * w0 > width) {
    mq.text = text;
    mq.message = id;
    mq.line = line;
    mq.width = width;
    mq.length = uint8_t(n);
    mq.visible = uint8_t(width / w0);
    mq.state = START;
    ui_set_mode(MODE_MARQUEE);
  } else {
    mq.state = IDLE;
    if (ui_get_mode() == MODE_MARQUEE) ui_set_mode(ui_get_prev_mode());
  }
}

void marquee_task() {
  if (ui_get_mode() != MODE_MARQUEE) return;
  const uint8_t count = mq.divider++;
  if (count != kStepTicks) return;
  mq.divider = 0;
  step();
}

uint8_t marquee_state() { return mq.state; }
uint8_t marquee_pos() { return mq.pos; }
uint8_t marquee_offset() { return mq.offset; }
