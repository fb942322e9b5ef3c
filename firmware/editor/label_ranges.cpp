#include "firmware/editor/label_ranges.h"

#include <cstring>

#include "firmware/editor/label.h"

namespace {
#define FIELD(f, lo, hi, factory) \
  {#f, uint16_t(offsetof(LabelRecord, f)), uint8_t(sizeof(LabelRecord::f)), lo, hi, factory}
constexpr LabelFieldRange kRanges[] = {
    FIELD(font_size, 0, 6, 2),           // Auto, 6..40 pt
    FIELD(label_type, 0, 50, 26),        // the label type table
    FIELD(copies, 1, 99, 1),
    FIELD(serial_print, 0, 1, 0),
    FIELD(bold, 0, 1, 0),
    FIELD(rotation, 0, 1, 0),
    FIELD(spacing_choice, 0, 4, 2),      // four fixed pitches and the custom one
    FIELD(block_count, 1, 99, 1),        // "# of Terminations" / "# of Ports"
    FIELD(custom_spacing, 2, 99, 2),     // tenths of an inch or millimetres, two digits
    FIELD(block_serial, 0, 1, 0),
    FIELD(serial_increment, 1, 99, 1),
    FIELD(serial_start, 0, 18277, 0),    // digits 0..999, letters A..ZZZ
    FIELD(serial_class, 0, 2, 0),
    FIELD(barcode_type, 0, 2, 0),        // none, Code 39, Code 128
    FIELD(barcode_active, 0, 1, 0),
    FIELD(units, 0, 1, 0),
};
#undef FIELD
}  // namespace

const LabelFieldRange* lbl_field_ranges(size_t* count) {
  *count = sizeof kRanges / sizeof kRanges[0];
  return kRanges;
}

int lbl_apply_field_ranges(LabelRecord* record) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(record);
  int changed = 0;
  for (const LabelFieldRange& f : kRanges) {
    uint16_t v = bytes[f.offset];
    if (f.width == 2) v = uint16_t(v | bytes[f.offset + 1] << 8);
    if (v >= f.min && v <= f.max) continue;
    bytes[f.offset] = uint8_t(f.factory);
    if (f.width == 2) bytes[f.offset + 1] = uint8_t(f.factory >> 8);
    ++changed;
  }
  // Without a barcode type the field cannot be active.
  if (record->barcode_type == 0) record->barcode_active = 0;
  return changed;
}
