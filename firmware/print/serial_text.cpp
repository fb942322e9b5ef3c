#include "firmware/print/serial_text.h"

#include <algorithm>
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

  // Every character of the run carried over: the run grows by one in front,
  // unless it lies hidden past the text, where nothing can be inserted.
  const uint8_t run_start = uint8_t(i + 1);
  if (col > ln.length) {
    for (int k = run_start; k < col; ++k) ln.cells[k] = largest;
    return false;
  }
  ln.cursor = run_start;
  if (!lbl_insert_char_quiet(fresh)) {
    for (int k = run_start; k < col; ++k) ln.cells[k] = largest;
    ln.cursor = col;
    return false;
  }
  ln.cursor = uint8_t(col + 1);
  return true;
}

uint16_t serial_trailing_number(const uint16_t* cells, uint8_t n) {
  int i = n;
  while (i > 0 && cells[i - 1] >= '0' && cells[i - 1] <= '9') --i;
  uint16_t v = 0;
  for (int k = i; k < n; ++k) v = uint16_t(v * 10 + (cells[k] - '0'));
  return v;
}

uint16_t serial_trailing_letters(const uint8_t* text, uint8_t n, uint8_t base) {
  int i = n;
  while (i > 0 && text[i - 1] >= base && text[i - 1] <= base + 25) --i;
  uint16_t v = 0;
  for (int k = i; k < n; ++k) v = uint16_t(v * 26 + (text[k] - base) + 1);
  return uint16_t(v - 1);  // an empty run gives 0xFFFF
}

void serial_format_letters(uint8_t* out, uint16_t value, uint8_t base) {
  // Bijective base 26, right-aligned; this gives for every value 0..18277
  // the run whose serial_trailing_letters value it is.
  out[0] = out[1] = '_';
  uint32_t v = uint32_t(value) + 1;
  for (int i = 2; i >= 0 && v > 0; --i) {
    --v;
    out[i] = uint8_t(base + v % 26);
    v /= 26;
  }
}

void text_narrow(const uint16_t* cells, uint8_t* bytes, uint8_t n) {
  for (uint8_t i = 0; i < n; ++i) bytes[i] = uint8_t(cells[i]);
}

void text_widen(uint16_t* cells, const uint8_t* bytes, uint8_t n) {
  for (uint8_t i = 0; i < n; ++i) cells[i] = bytes[i];
}

bool char_is_letter(uint16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Characters a serial ending at `position` of `line` may take: at most three,
// never reaching back into the barcode field of line 0.
int serial_window(const LabelRecord* r, uint8_t line, uint8_t position) {
  const int room = serial_room(r, line, position);
  return room < 3 ? room : 3;
}

int serial_room(const LabelRecord* r, uint8_t line, uint8_t position) {
  int len = position + 1;
  if (line == 0 && r->barcode_type != 0) {
    const int start = r->barcode_start, end = r->barcode_start + r->barcode_length;
    const int limit = end <= position ? end : (start <= position ? start : -1);
    if (limit >= 0 && position + 1 - limit < len) len = position + 1 - limit;
  }
  return len;
}

uint16_t ser_value_at(uint8_t position, uint8_t cls) {
  const LabelRecord* r = lbl_record();
  const uint8_t line = r->current_line < LBL_MAX_LINES ? r->current_line : 0;
  if (position >= LBL_MAX_CHARS + 1) position = LBL_MAX_CHARS;
  const int len = serial_window(r, line, position);
  const uint16_t* cells = r->lines[line].cells + (position + 1 - len);
  if (cls == SER_CLASS_DIGITS) return serial_trailing_number(cells, uint8_t(len));
  uint8_t bytes[3];
  text_narrow(cells, bytes, uint8_t(len));
  return serial_trailing_letters(bytes, uint8_t(len), cls == SER_CLASS_LOWER ? 'a' : 'A');
}

bool ser_format_end(uint8_t block[12]) {
  // Block layout: increment u16, last character u16, start u16, class, -,
  // end text (3 characters and a NUL).
  const uint16_t increment = uint16_t(block[0] | block[1] << 8);
  const uint16_t start = uint16_t(block[4] | block[5] << 8);
  const uint32_t value = uint32_t(start) + increment;
  uint8_t* end = block + 8;
  if (block[6] == SER_CLASS_DIGITS) {
    if (value > SER_MAX_DIGITS) return false;
    num_format_fixed(uint16_t(value), end, 3);
    return true;
  }
  if (value > SER_MAX_LETTERS) return false;
  serial_format_letters(end, uint16_t(value), block[6] == SER_CLASS_LOWER ? 'a' : 'A');
  end[3] = 0;
  return true;
}

uint16_t ser_label_count() {
  const LabelRecord* r = lbl_record();
  const uint16_t i = r->serial_increment;
  if (i == 0) return 0;
  uint16_t s = r->serial_start;
  uint16_t count;
  if (r->serial_class == SER_CLASS_DIGITS) {
    const uint16_t e = num_parse_fixed(r->serial_end_text, 3);
    count = 1;  // a digit run always has its first value
    while (uint32_t(s) + i <= e) {
      s = uint16_t(s + i);
      ++count;
    }
  } else {
    const uint8_t base = r->serial_class == SER_CLASS_LOWER ? 'a' : 'A';
    const uint16_t e = serial_trailing_letters(r->serial_end_text, 3, base);
    count = 0;
    // Counts s, s + i, ... up to e; an end without letters (0xFFFF) gives none.
    while (uint32_t(s) + i <= uint16_t(e + i)) {
      ++count;
      s = uint16_t(s + i);
    }
  }
  return count;
}

namespace {
bool is_digit(uint16_t c) { return c >= '0' && c <= '9'; }

LabelLine& current_line(LabelRecord* r) {
  lbl_make_consistent(r);
  LabelLine& ln = r->lines[r->current_line];
  if (ln.cursor > ln.length) ln.cursor = ln.length;
  return ln;
}

// Replaces the `count` characters before the cursor by `n` new ones through
// the label model, so the line limit and the fit apply to every character.
// A refusal puts the label back as it was and fails.
bool replace_before_cursor(uint8_t count, const uint8_t* fresh, uint8_t n) {
  LabelRecord* r = lbl_record();
  const LabelRecord before = *r;
  for (uint8_t k = 0; k < count; ++k) lbl_delete_before_cursor(r->current_line);
  for (uint8_t k = 0; k < n; ++k) {
    if (!lbl_insert_char_quiet(fresh[k])) {
      *r = before;
      return false;
    }
  }
  return true;
}

// Digits before the cursor that belong to the serial (at most three, never
// reaching into a barcode field).
uint8_t digits_before(const LabelRecord* r, const LabelLine& ln, uint8_t col) {
  const int window = serial_window(r, r->current_line, uint8_t(col - 1));
  uint8_t n = 0;
  while (n < window && is_digit(ln.cells[col - 1 - n])) ++n;
  return n;
}

// One digit step by the increment. The running value lives in the serial
// cache; the characters replaced follow from it, so leading zeros in the
// text survive ("009" becomes "010", "099" "0100").
bool step_digits(LabelRecord* r, LabelLine& ln, uint8_t col) {
  // No digit before the cursor: there is no number to step, and replacing
  // the letter there would lose it.
  if (!is_digit(ln.cells[col - 1])) return false;
  uint16_t cache = ser_cache();
  if (cache == 0) cache = ser_value_at(uint8_t(col - 1), SER_CLASS_DIGITS);
  uint8_t replace = 3;
  if (cache <= 8)
    replace = 1;
  else if (cache == 9)
    replace = col >= 2 && ln.cells[col - 2] == '0' ? 2 : 1;
  else if (cache <= 99)
    replace = 2;
  replace = std::min(replace, digits_before(r, ln, col));
  // Past 999 the three digits would wrap and the number would vanish.
  const uint32_t next = uint32_t(cache) + r->serial_increment;
  if (next > SER_MAX_DIGITS) return false;
  uint8_t digits[4];
  num_format_fixed(uint16_t(next), digits, 3);
  uint8_t first = 0;
  while (first < 3 && digits[first] == '0') ++first;
  if (!replace_before_cursor(replace, digits + first, uint8_t(3 - first))) return false;
  ser_set_cache(uint16_t(next));
  r->serial_start = uint16_t(next);
  return true;
}
}  // namespace

bool ser_step_letters(uint8_t cls) {
  LabelRecord* r = lbl_record();
  const LabelLine& ln = current_line(r);
  const uint8_t col = ln.cursor;
  if (col == 0) return false;
  const uint16_t value = ser_value_at(uint8_t(col - 1), cls);
  // No letter of the class before the cursor, or ZZZ: no next value.
  if (value == 0xFFFF || value >= SER_MAX_LETTERS) return false;
  const uint8_t base = cls == SER_CLASS_LOWER ? 'a' : 'A';
  uint8_t now[3], next[3];
  serial_format_letters(now, value, base);
  serial_format_letters(next, uint16_t(value + 1), base);
  uint8_t old_len = 0, first = 0;
  for (uint8_t c : now) old_len += c != '_';
  while (first < 3 && next[first] == '_') ++first;
  return replace_before_cursor(old_len, next + first, uint8_t(3 - first));
}

bool ser_step_text() {
  LabelRecord* r = lbl_record();
  LabelLine& ln = current_line(r);
  const uint8_t col = ln.cursor;
  if (col == 0) return true;
  if (r->serial_class == SER_CLASS_DIGITS) return step_digits(r, ln, col);
  const uint8_t cls = r->serial_class == SER_CLASS_LOWER ? SER_CLASS_LOWER : SER_CLASS_UPPER;
  uint16_t made = 0;
  bool ok = true;
  for (; made < r->serial_increment; ++made) {
    if (!ser_step_letters(cls)) {
      ok = false;  // the steps already made stay in the text
      break;
    }
  }
  if (made > 0) r->serial_start = ser_value_at(uint8_t(current_line(r).cursor - 1), cls);
  return ok;
}
