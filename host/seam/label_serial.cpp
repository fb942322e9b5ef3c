#include "host/seam/label_serial.h"

#include "firmware/editor/label_types.h"
#include "firmware/print/serial_text.h"

namespace {
bool in_class(uint16_t c, uint8_t cls) {
  if (cls == SER_CLASS_DIGITS) return c >= '0' && c <= '9';
  const uint16_t base = cls == SER_CLASS_LOWER ? 'a' : 'A';
  return c >= base && c <= base + 25;
}

uint8_t class_of(uint16_t c) {
  if (c >= 'a' && c <= 'z') return SER_CLASS_LOWER;
  if (c >= 'A' && c <= 'Z') return SER_CLASS_UPPER;
  return SER_CLASS_DIGITS;
}
}  // namespace

std::string label_serial_text(const LabelRecord* r) {
  const bool block = lbl_type_is_block(r->label_type);
  if (!(block ? r->block_serial != 0 : r->serial_print != 0)) return "";
  const uint8_t line = r->current_line < LBL_MAX_LINES ? r->current_line : 0;
  const LabelLine& ln = r->lines[line];
  // A cursor past the line's end steps a number hidden behind the text
  // (a built-in sample): the label prints none.
  if (ln.cursor > ln.length) return "";
  int end = ln.cursor <= LBL_MAX_CHARS ? ln.cursor : LBL_MAX_CHARS;
  if (end == 0) return "";
  const uint8_t cls = block ? class_of(ln.cells[end - 1]) : r->serial_class;
  // A block's serial steps the whole run; a label's takes the characters its
  // serial may (never digits of a barcode field before it).
  const int first = block ? 0 : end - serial_window(r, line, uint8_t(end - 1));
  int start = end;
  while (start > first && in_class(ln.cells[start - 1], cls)) --start;
  // The zeros a digit serial keeps in front ("099" steps to "0100") print
  // with it.
  if (!block && cls == SER_CLASS_DIGITS && start == first) {
    const int limit = end - serial_room(r, line, uint8_t(end - 1));
    while (start > limit && ln.cells[start - 1] == '0') --start;
  }
  std::string text;
  for (int i = start; i < end; ++i) text += char(ln.cells[i]);
  return text;
}
