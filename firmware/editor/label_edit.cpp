// Text operations on the label record: insertion with the line, barcode and
// fit checks, backspace with the joins and the barcode field rules, new
// lines, cursor moves and the barcode field itself. A refusal shows a timed
// popup and leaves the label as it was.
#include <algorithm>
#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/platform/cartridge.h"
#include "firmware/print/barcode.h"
#include "firmware/print/geometry.h"
#include "firmware/screens/popup.h"

namespace {
void lbl_refuse(uint8_t message_id) { msg_popup_show(message_id, 1); }

LabelRecord& rec() {
  LabelRecord& r = *lbl_record();
  lbl_make_consistent(&r);
  LabelLine& ln = r.lines[r.current_line];
  if (ln.cursor > ln.length) ln.cursor = ln.length;
  return r;
}

LabelLine& current(LabelRecord& r) { return r.lines[r.current_line]; }

// The fit after an insertion: Banner Portrait, the wire sizes and the block
// types take the full check; a fixed length only compares its length with
// the text and both feeds (the font layer measures Auto as 6pt); Banner
// Landscape and the self-laminating wire none.
bool fits_after_insert(const LabelRecord& r) {
  const uint8_t t = r.label_type;
  if (lbl_type_checks_fit_on_insert(t)) return prn_label_fits(&r);
  if (lbl_type_is_fixed(t)) return !(lbl_fixed_length_dots(t) < lbl_record_length_dots(&r, 1));
  return true;
}

// The insertion and its checks; a refusal names its message in `refusal`
// and leaves the label as it was.
bool insert_char(uint16_t code, uint8_t* refusal) {
  LabelRecord& r = rec();
  LabelLine& ln = current(r);
  if (ln.length >= LBL_MAX_CHARS) {
    *refusal = MSG_MAX_CHARS;
    return false;
  }
  if (r.barcode_active == 1 && !bc_char_allowed(r.barcode_type, code)) {
    *refusal = MSG_ERROR;
    return false;
  }
  if (!prn_label_fits(&r)) {
    *refusal = MSG_CANNOT_FIT;
    return false;
  }

  const uint8_t col = ln.cursor;
  if (col != ln.length) std::memmove(ln.cells + col + 1, ln.cells + col, (ln.length - col) * sizeof ln.cells[0]);
  ln.cells[col] = code;

  // Barcode bookkeeping against the column before the step.
  if (r.barcode_active == 1 && r.barcode_start <= col && col <= r.barcode_start + r.barcode_length) r.barcode_length++;
  if (r.barcode_type != 0 && r.barcode_active == 0 && r.barcode_start >= col) r.barcode_start++;

  ln.cursor++;
  ln.length++;

  if (!fits_after_insert(r)) {
    lbl_backspace();
    *refusal = MSG_CANNOT_FIT;
    return false;
  }
  return true;
}
}  // namespace

bool lbl_insert_char(uint16_t code) {
  uint8_t refusal = 0;
  if (insert_char(code, &refusal)) return true;
  lbl_refuse(refusal);
  return false;
}

bool lbl_insert_char_quiet(uint16_t code) {
  uint8_t refusal = 0;
  return insert_char(code, &refusal);
}

void lbl_delete_before_cursor(uint8_t line) {
  LabelRecord& r = rec();
  if (line >= LBL_MAX_LINES) return;
  LabelLine& ln = r.lines[line];
  if (ln.cursor == 0 || ln.cursor > ln.length) return;
  ln.cursor--;
  // The field moves down with the text before it; a field at column 0 has
  // nothing before it to lose.
  if (r.barcode_type != 0 && r.barcode_active == 0 && r.barcode_start >= ln.cursor && r.barcode_start > 0)
    r.barcode_start--;
  std::memmove(ln.cells + ln.cursor, ln.cells + ln.cursor + 1, (ln.length - ln.cursor - 1) * sizeof ln.cells[0]);
  ln.length--;
  if (r.barcode_active == 1 && r.barcode_length > 0) r.barcode_length--;
}

void lbl_backspace() {
  LabelRecord& r = rec();
  LabelLine& ln = current(r);
  const bool inside = r.barcode_active == 1;

  if (inside && r.barcode_length == 0) {
    lbl_barcode_clear();  // Backspace in an empty field removes the field
    return;
  }
  if (inside && r.barcode_start == ln.cursor) return;
  if (!inside && r.barcode_type != 0 && r.barcode_start + r.barcode_length == ln.cursor) {
    // Right after the field: the whole field goes.
    for (uint8_t n = r.barcode_length; n > 0; --n) lbl_delete_before_cursor(r.current_line);
    lbl_barcode_clear();
    return;
  }
  if (ln.cursor > 0) {
    lbl_delete_before_cursor(r.current_line);
    return;
  }
  if (r.current_line == 0) return;

  // Column 0 of a lower line: join it to the line above when both fit in 50.
  LabelLine& up = r.lines[r.current_line - 1];
  if (up.length + ln.length > LBL_MAX_CHARS) return;
  std::memcpy(up.cells + up.length, ln.cells, ln.length * sizeof ln.cells[0]);
  up.cursor = up.length;
  up.length = uint8_t(up.length + ln.length);
  for (int i = r.current_line; i < r.last_line; ++i) r.lines[i] = r.lines[i + 1];
  lbl_clear_line(r.last_line);
  r.current_line--;
  r.last_line--;
  if (!prn_label_fits(&r)) {
    lbl_new_line(false);
    lbl_refuse(MSG_CANNOT_FIT);
  }
}

void lbl_new_line(bool check_fit) {
  LabelRecord& r = rec();
  if (r.current_line + 1 >= LBL_MAX_LINES || r.last_line + 1 >= LBL_MAX_LINES) {
    lbl_refuse(MSG_MAX_LINES);
    return;
  }
  if (check_fit) {
    LabelRecord probe = r;  // measured with one more (empty) line
    probe.last_line++;
    if (!prn_label_fits(&probe)) {
      lbl_refuse(MSG_CANNOT_FIT);
      return;
    }
  }
  const uint8_t next = uint8_t(r.current_line + 1);
  for (int i = r.last_line; i >= next; --i) r.lines[i + 1] = r.lines[i];
  lbl_clear_line(next);

  LabelLine& ln = r.lines[r.current_line];
  LabelLine& below = r.lines[next];
  if (ln.cursor != ln.length) {
    below.length = uint8_t(ln.length - ln.cursor);
    std::memcpy(below.cells, ln.cells + ln.cursor, below.length * sizeof ln.cells[0]);
    ln.length = ln.cursor;
  }
  r.current_line = next;
  r.last_line++;
}

void lbl_clear_line(uint8_t n) {
  if (n >= LBL_MAX_LINES) return;
  LabelLine& ln = lbl_record()->lines[n];
  ln.length = 0;
  ln.cursor = 0;
}

void lbl_set_column(uint8_t col) {
  LabelLine& ln = current(rec());
  ln.cursor = std::min(col, ln.length);
}

// The cursor can stand at a field boundary outside the field or inside it:
// crossing a boundary takes one press that only switches between the two.
void lbl_cursor_right() {
  LabelRecord& r = rec();
  LabelLine& ln = current(r);
  const bool inside = r.barcode_active == 1;
  if (ln.cursor < ln.length) {
    if (inside && r.barcode_length == 0) return;
    if (inside && r.barcode_start + r.barcode_length == ln.cursor)
      r.barcode_active = 0;
    else if (!inside && r.barcode_type != 0 && r.barcode_start == ln.cursor)
      r.barcode_active = 1;
    else
      ln.cursor++;
  } else if (inside && r.barcode_length > 0) {
    r.barcode_active = 0;
  }
}

void lbl_cursor_left() {
  LabelRecord& r = rec();
  LabelLine& ln = current(r);
  const bool inside = r.barcode_active == 1;
  if (ln.cursor > 0) {
    if (inside && r.barcode_length == 0) return;
    if (inside && r.barcode_start == ln.cursor)
      r.barcode_active = 0;
    else if (!inside && r.barcode_type != 0 && r.barcode_start + r.barcode_length == ln.cursor)
      r.barcode_active = 1;
    else
      ln.cursor--;
  } else if (inside && r.barcode_length > 0) {
    r.barcode_active = 0;
  }
}

void lbl_cursor_up() {
  LabelRecord& r = rec();
  if (r.current_line == 0) return;
  const uint8_t col = current(r).cursor;
  r.current_line--;
  lbl_set_column(col);
}

void lbl_cursor_down() {
  LabelRecord& r = rec();
  if (r.current_line >= r.last_line) return;
  const uint8_t col = current(r).cursor;
  r.current_line++;
  lbl_set_column(col);
}

void lbl_clear_text() {
  LabelRecord& r = *lbl_record();
  for (int i = 0; i < LBL_MAX_LINES; ++i) lbl_clear_line(uint8_t(i));
  r.last_line = 0;
  r.current_line = 0;
  r.barcode_start = 0;
  r.barcode_length = 0;
  r.barcode_type = 0;
  r.barcode_active = 0;
}

// Readers only: the print worker uses them too, so they never write.
bool lbl_is_empty() {
  const LabelRecord& r = *lbl_record();
  for (int i = 0; i <= r.last_line && i < LBL_MAX_LINES; ++i)
    if (r.lines[i].length != 0) return false;
  return true;
}

uint8_t lbl_max_line_length() {
  const LabelRecord& r = *lbl_record();
  uint8_t longest = 0;
  for (int i = 0; i <= r.last_line && i < LBL_MAX_LINES; ++i) longest = std::max(longest, r.lines[i].length);
  return std::min(longest, LBL_MAX_CHARS);
}

uint8_t lbl_print_refusal() {
  const LabelRecord& r = rec();
  if (r.barcode_type != 0 && cart_get_id() != CART_TAPE_3_4_IN) return MSG_MEDIA_ONLY;
  return prn_label_fits(&r) ? 0 : MSG_CANNOT_FIT;
}

// A barcode field only on a one-line Banner Landscape label on 3/4-inch tape.
bool lbl_barcode_begin(uint8_t kind) {
  LabelRecord& r = rec();
  if (cart_get_id() != CART_TAPE_3_4_IN || r.last_line != 0 || r.label_type != LABEL_BANNER_LANDSCAPE) return false;
  LabelLine& ln = r.lines[0];
  if (r.barcode_type == 0) {
    r.barcode_start = ln.cursor;
    r.barcode_length = 0;
  } else {
    ln.cursor = r.barcode_start;
    if (r.barcode_type == BC_CODE128 && kind == BC_CODE39) {
      const uint16_t* field = ln.cells + r.barcode_start;
      bool all_fit =
          std::all_of(field, field + r.barcode_length, [](uint16_t c) { return bc_char_allowed(BC_CODE39, c); });
      if (!all_fit) {
        // Code 128 text that Code 39 cannot take is dropped with the field.
        const uint8_t end = uint8_t(r.barcode_start + r.barcode_length);
        std::memmove(ln.cells + r.barcode_start, ln.cells + end, (ln.length - end) * sizeof ln.cells[0]);
        ln.length = uint8_t(ln.length - r.barcode_length);
        const uint8_t start = r.barcode_start;
        lbl_barcode_clear();
        r.barcode_start = start;
      }
    }
  }
  r.barcode_active = 1;
  r.barcode_type = kind;
  return true;
}

void lbl_barcode_clear() {
  LabelRecord& r = *lbl_record();
  r.barcode_type = 0;
  r.barcode_active = 0;
  r.barcode_length = 0;
  r.barcode_start = 0;
}
