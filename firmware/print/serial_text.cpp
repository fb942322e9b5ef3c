#include "firmware/print/serial_text.h"

#include <atomic>

#include "firmware/editor/label.h"

namespace {
struct SerialText {
  std::atomic<uint16_t> cache{0};
} s;
}  // namespace

uint8_t num_format_fixed(uint16_t value, uint8_t* buf, uint8_t n) {
  uint32_t v = value;
  for (int i = n - 1; i >= 0; --i) {
    buf[i] = uint8_t('0' + v % 10);
    v /= 10;
  }
  buf[n] = 0;
  return n;
}

uint16_t num_parse_fixed(const uint8_t* text, uint8_t n) {
  uint16_t v = 0;
  for (uint8_t i = 0; i < n; ++i) {
    uint8_t d = text[i] >= '0' && text[i] <= '9' ? uint8_t(text[i] - '0') : 0;
    v = uint16_t(v * 10 + d);
  }
  return v;
}

uint16_t ser_cache() { return s.cache; }
void ser_set_cache(uint16_t value) { s.cache = value; }
void ser_reset_cache() { s.cache = 0; }

bool ser_increment_text() {
  LabelRecord* r = lbl_record();
  lbl_make_consistent(r);
  LabelLine& ln = r->lines[r->current_line];
  const uint8_t col = ln.cursor;
  if (col == 0) return true;

  uint16_t lowest, largest, wrap, fresh;
  const uint16_t last = ln.cells[col - 1];
  if (last >= 'A' && last <= 'Z') {
    lowest = 'A', largest = 'Z', wrap = 'A', fresh = 'A';
  } else if (last >= 'a' && last <= 'z') {
    lowest = 'a', largest = 'z', wrap = 'a', fresh = 'a';
  } else if (last >= '0' && last <= '9') {
    lowest = '0', largest = '9', wrap = '0', fresh = '1';
  } else {
    return false;
  }

  int i = col - 1;
  for (; i >= 0 && ln.cells[i] >= lowest && ln.cells[i] <= largest; --i) {
    if (ln.cells[i] < largest) {
      ln.cells[i] = uint16_t(ln.cells[i] + 1);
      return true;
    }
    ln.cells[i] = wrap;
  }

  // Every character of the run carried over: the run grows by one in front.
  const uint8_t run_start = uint8_t(i + 1);
  ln.cursor = run_start;
  if (!lbl_insert_char(fresh)) {
    for (int k = run_start; k < col; ++k) ln.cells[k] = largest;
    ln.cursor = col;
    return false;
  }
  ln.cursor = uint8_t(col + 1);
  return true;
}

uint16_t ser_label_count() { return 1; }
bool ser_step_text() { return true; }
