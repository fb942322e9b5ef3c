// The label record: its settings, label types, checksum, loading and the
// printed length of its text. The text operations are in label_edit.cpp.
#include "firmware/editor/label.h"

#include <algorithm>
#include <cstring>

#include "firmware/editor/label_ranges.h"
#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/barcode.h"
#include "firmware/print/geometry.h"
#include "firmware/print/serial_text.h"
#include "firmware/print/text_width.h"

namespace {
struct Label {
  // Written by the editor in its own modes, read by the print worker in the
  // printing modes; the mode register orders the two.
  LabelRecord record{};
} s;

// Marker lengths of the wire sizes in dots, from LABEL_WIRE_0_75_IN on.
constexpr uint16_t kWireDots[LABEL_WIRE_150_MM - LABEL_WIRE_0_75_IN + 1] = {
    152, 203, 244, 305, 406, 508, 610, 813, 1016, 1219, 160, 200, 240, 320, 400, 520, 600, 800, 1040, 1200};
}  // namespace

LabelRecord* lbl_record() { return &s.record; }

// Writes only what is out of range, so that a consistent record (every record
// the device wrote) is never touched, not even with its own values.
void lbl_make_consistent(LabelRecord* r) {
  auto clamp = [](uint8_t& field, uint8_t limit) {
    if (field > limit) field = limit;
  };
  clamp(r->last_line, LBL_MAX_LINES - 1);
  clamp(r->current_line, r->last_line);
  for (LabelLine& ln : r->lines) clamp(ln.length, LBL_MAX_CHARS);
  // The cursor may stand past the text (a block sample's serial steps a
  // number hidden beyond it); editing puts it back at the text's end.
  for (LabelLine& ln : r->lines) clamp(ln.cursor, LBL_MAX_CHARS);
  const uint8_t len0 = r->lines[0].length;
  clamp(r->barcode_start, len0);
  clamp(r->barcode_length, uint8_t(len0 - r->barcode_start));
}

// ---- Settings ----

uint8_t lbl_get_type() { return s.record.label_type; }

bool lbl_set_type(uint8_t t) {
  if (s.record.label_type == LABEL_BANNER_LANDSCAPE && t != LABEL_BANNER_LANDSCAPE && s.record.barcode_type != 0)
    lbl_barcode_clear();
  s.record.label_type = t;
  return prn_label_fits(&s.record);
}

uint8_t lbl_get_font_size() { return s.record.font_size; }
void lbl_set_font_size(uint8_t size) { s.record.font_size = size; }
uint8_t lbl_get_bold() { return s.record.bold; }
void lbl_set_bold(uint8_t bold) { s.record.bold = bold; }
uint8_t lbl_get_copies() { return s.record.copies; }
void lbl_set_copies(uint8_t copies) { s.record.copies = copies; }
uint8_t lbl_get_serial_print() { return s.record.serial_print; }
void lbl_set_serial_print(uint8_t on) { s.record.serial_print = on; }
uint8_t lbl_get_units() { return s.record.units; }
void lbl_set_units(uint8_t units) { s.record.units = units; }

const uint8_t* lbl_serial_block() { return reinterpret_cast<const uint8_t*>(&s.record) + LBL_SERIAL_BLOCK_OFFSET; }

void lbl_set_serial_block(const uint8_t block[LBL_SERIAL_BLOCK_SIZE]) {
  std::memcpy(reinterpret_cast<uint8_t*>(&s.record) + LBL_SERIAL_BLOCK_OFFSET, block, LBL_SERIAL_BLOCK_SIZE);
}

const uint8_t* lbl_term_block() { return reinterpret_cast<const uint8_t*>(&s.record) + LBL_TERM_BLOCK_OFFSET; }

void lbl_set_term_block(const uint8_t block[LBL_TERM_BLOCK_SIZE]) {
  std::memcpy(reinterpret_cast<uint8_t*>(&s.record) + LBL_TERM_BLOCK_OFFSET, block, LBL_TERM_BLOCK_SIZE);
}

// Factory settings of a label; units, block_serial and the serial start,
// class and end are the user's and stay.
void lbl_set_defaults() {
  LabelRecord& r = s.record;
  r.font_size = 2;
  r.label_type = LABEL_WIRE_0_75_IN;
  r.copies = 1;
  r.serial_print = 0;
  r.bold = 0;
  r.rotation = 0;
  r.spacing_choice = 2;
  r.block_count = 1;
  r.custom_spacing = 2;
  r.serial_increment = 1;
  r.barcode_type = 0;
  r.barcode_active = 0;
  r.barcode_length = 0;
  r.barcode_start = 0;
  std::memset(r.file_name, 0, sizeof r.file_name);
}

// A bad or missing journal entry leaves the record as it was (empty at
// start-up) before the text is cleared and the defaults applied.
void lbl_load() {
  LabelRecord stored;
  if (nvm_load_working_label(&stored)) {
    s.record = stored;
    lbl_apply_field_ranges(&s.record);
  } else {
    lbl_clear_text();
    lbl_set_defaults();
  }
  if (s.record.custom_spacing == 0) s.record.custom_spacing = 2;
  ser_reset_cache();
  lbl_make_consistent(&s.record);
}

void lbl_reset_print_options() {
  s.record.copies = 1;
  s.record.serial_print = 0;
  ser_reset_cache();
}

uint32_t lbl_checksum(const LabelRecord* record) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
  uint32_t sum = 0;
  for (size_t i = 0; i < offsetof(LabelRecord, checksum); ++i) sum += bytes[i];
  return sum;
}

// A record of zero bytes sums to 0 and is no label (a device record always
// has copies of 1 or more).
bool lbl_checksum_ok(const LabelRecord* record) {
  const uint32_t sum = lbl_checksum(record);
  return sum != 0 && sum == record->checksum;
}

// ---- Label types ----

uint16_t lbl_fixed_length_dots(uint8_t t) {
  if (lbl_type_is_fixed_inch(t))  // 1.0 to 6.0 inch
    return uint16_t(((t - LABEL_FIXED_1_0_IN) * 10160 + 20320) / 100);
  if (lbl_type_is_fixed_mm(t)) return uint16_t((t - LABEL_FIXED_30_MM) * 80 + 240);  // 30 to 150 mm
  return 0;
}

uint16_t lbl_wire_length_dots(uint8_t t) { return lbl_type_is_wire_size(t) ? kWireDots[t - LABEL_WIRE_0_75_IN] : 0; }

bool lbl_type_is_block() { return lbl_type_is_block(s.record.label_type); }

uint8_t lbl_type_caption_id(uint8_t t) {
  if (t == LABEL_BANNER_PORTRAIT) return MSG_BANNER_PORTRAIT;
  if (t == LABEL_BANNER_LANDSCAPE) return MSG_BANNER_LANDSCAPE;
  if (lbl_type_is_fixed(t)) return MSG_FIXED_LENGTH;
  if (lbl_type_is_wire(t)) return MSG_WIRE;
  if (lbl_type_is_terminal_block(t)) return MSG_TERMINAL_BLOCK;
  if (lbl_type_is_patch_panel(t)) return MSG_PATCH_PANEL;
  return 0;
}

// ---- Printed length ----

uint16_t lbl_record_length_dots(const LabelRecord* r, uint8_t margins) {
  const uint8_t size = r->font_size, bold = r->bold;
  uint16_t dots = 0;
  if (r->barcode_type != 0 && r->barcode_length > 0) {
    // Text before the field, 30 blank columns, the bars, 30 blank columns,
    // the text after the field. The symbols are counted on a copy so that
    // measuring never rewrites characters the encoder would replace.
    const LabelLine& ln = r->lines[0];
    const uint8_t length = std::min(ln.length, LBL_MAX_CHARS);
    const uint8_t start = std::min(r->barcode_start, length);
    const uint8_t end = uint8_t(std::min(start + r->barcode_length, int(length)));
    uint16_t field[LBL_MAX_CHARS + 1];
    std::copy(ln.cells + start, ln.cells + end, field);
    uint16_t values[bc_max_values(LBL_MAX_CHARS + 1)];
    uint16_t count = 0;
    bc_encode(field, uint16_t(end - start), r->barcode_type, values, &count);
    dots = prn_text_width(size, bold, ln.cells, start);
    dots = uint16_t(dots + 60);
    for (uint16_t i = 0; i < count; ++i) dots = uint16_t(dots + bc_symbol_dots(r->barcode_type, values[i]));
    dots = uint16_t(dots + prn_text_width(size, bold, ln.cells + end, uint16_t(length - end)));
  } else {
    for (int i = 0; i <= r->last_line && i < LBL_MAX_LINES; ++i) {
      const LabelLine& ln = r->lines[i];
      dots = std::max(dots, prn_text_width(size, bold, ln.cells, std::min<uint8_t>(ln.length, LBL_MAX_CHARS)));
    }
  }
  if (margins <= 1) {
    uint8_t lead, trail;
    prn_settings_feeds(&lead, &trail);
    dots = uint16_t(dots + lead);
    if (margins == 1) dots = uint16_t(dots + trail);
  }
  return dots;
}

uint16_t lbl_length_dots(uint8_t margins) { return lbl_record_length_dots(&s.record, margins); }
