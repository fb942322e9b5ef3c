#include "firmware/print/layout.h"

#include <algorithm>

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/editor/message_ids.h"
#include "firmware/platform/cartridge.h"
#include "firmware/print/barcode.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/print/geometry.h"
#include "firmware/print/raster.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/popup.h"

namespace {
bool fits_label(const LabelRecord* r) { return prn_label_fits(r); }

bool fits_fixed(const LabelRecord* r) {
  return lbl_fixed_length_dots(r->label_type) >= lbl_record_length_dots(r, 1) && prn_label_fits(r);
}

bool fits_rotated(const LabelRecord* r) { return prn_rotated_fits(r); }

bool fits_wire(const LabelRecord* r) {
  uint16_t repeats, remainder;
  prn_wire_repeats(r, &repeats, &remainder);
  return prn_rotated_fits(r) && repeats > 0;
}

bool fits_across(const LabelRecord* r) { return prn_band_repeats(r) > 0; }

// Blank columns before and after the text of a block cell, measured on the
// cell's own text: a serial that gains a digit makes its text longer, and
// every cell is still exactly one pitch long, so the tenth cell faces the
// tenth terminal. When the rest of the pitch is odd, the dot left over goes
// before the text.
struct CellPads {
  int before = 0, after = 0;
};

CellPads cell_pads(const LabelRecord* r, uint16_t pitch) {
  CellPads pads;
  if (pitch == 0) return pads;
  const uint16_t c = r->rotation == 0 ? lbl_record_length_dots(r, 2) : prn_text_block_height(r);
  if (c <= pitch) {
    pads.before = (pitch - c + 1) / 2;
    pads.after = pitch - c - pads.before;
  }
  return pads;
}
}  // namespace

bool prn_choose_auto_size(LabelRecord* r, bool (*fits)(const LabelRecord*)) {
  if (r->font_size != 0) return false;
  for (uint8_t size = 6; size >= 1; --size) {
    r->font_size = size;
    if (fits(r)) return true;
  }
  r->font_size = 1;
  return true;
}

void prn_print_horizontal(LabelRecord* r) {
  const LabelLine& line0 = r->lines[0];
  if (r->barcode_type != 0 && r->barcode_length > 0) {
    // Text before the field, a gap, the barcode block, a gap, the text after.
    const uint8_t start = r->barcode_start;
    const uint8_t end = uint8_t(start + r->barcode_length);
    prn_raster_record(r, 0, start, 1);
    prn_feed_gap();
    bc_raster_block(r);
    prn_feed_gap();
    prn_raster_record(r, end, uint8_t(line0.length > end ? line0.length - end : 0), 1);
    return;
  }
  const uint16_t fixed = lbl_fixed_length_dots(r->label_type);
  const bool was_auto = prn_choose_auto_size(r, fixed > 0 ? fits_fixed : fits_label);
  int pad = 0;
  if (fixed > 0) pad = (int(fixed) - int(lbl_record_length_dots(r, 1)) + 1) / 2;
  prn_feed(int16_t(pad));
  prn_raster_record(r, 0, lbl_max_line_length(), 1);
  prn_feed(int16_t(pad));
  if (was_auto) r->font_size = 0;
}

void prn_print_portrait(LabelRecord* r) {
  const bool was_auto = prn_choose_auto_size(r, fits_rotated);
  prn_rotated_prepare(r);
  prn_job_begin();
  prn_feed_lead();
  prn_rotated_emit(r);
  prn_feed(prn_trail_dots());
  if (was_auto) r->font_size = 0;
}

void prn_print_wire(LabelRecord* r) {
  const bool was_auto = prn_choose_auto_size(r, fits_wire);
  uint16_t repeats, remainder;
  prn_wire_repeats(r, &repeats, &remainder);
  prn_rotated_prepare(r);
  prn_job_begin();
  prn_feed_lead();
  prn_feed(int16_t(remainder));
  for (uint16_t k = 0; k < repeats; ++k) prn_rotated_emit(r);
  if (was_auto) r->font_size = 0;
}

void prn_print_wire_repeat(LabelRecord* r) {
  prn_job_begin();
  prn_feed_lead();
  const bool was_auto = prn_choose_auto_size(r, fits_across);
  prn_raster_record(r, 0, LBL_MAX_CHARS + 1, prn_band_repeats(r));
  if (was_auto) r->font_size = 0;
}

void prn_print_block_label() {
  LabelRecord* r = lbl_record();
  const uint16_t pitch = prn_block_pitch();
  prn_set_waiting_cut(0);
  const bool was_auto = prn_choose_auto_size(r, fits_label);

  if (r->rotation == 1) prn_rotated_prepare(r);
  LabelRecord* saved = prn_scratch_record();
  *saved = *r;
  const bool serial = r->block_serial != 0;
  const uint16_t labels = serial ? prn_copies_of(r) : 1;
  const uint16_t cells = serial ? r->block_count : 1;
  // Without the serial each Print takes one cell off the strip, and the pause
  // comes with its last cell. A strip already used up has nothing left to
  // count: its cells print one a Print without a pause, until the menu sets
  // a new count.
  const bool strip_left = r->block_count > 0;
  prn_set_progress(0, labels);

  for (uint16_t label = 0; label < labels; ++label) {
    prn_set_label_copy(uint8_t(label + 1));
    prn_sync_display();
    prn_job_begin();
    prn_feed_lead();
    prn_set_waiting_cut(0);
    for (uint16_t cell = 0; cell < cells; ++cell) {
      const CellPads pads = cell_pads(r, pitch);
      prn_feed(int16_t(pads.before));
      if (r->rotation == 0)
        prn_raster_record(r, 0, lbl_max_line_length(), 1);
      else
        prn_rotated_emit(r);
      prn_feed(int16_t(pads.after));
      if (serial) {
        // The serial no longer steps: no further cell. The pauses still show;
        // "Cannot Fit" follows the job.
        if (cell + 1 < cells && !ser_increment_text()) {
          prn_set_job_error();
          break;
        }
      } else if (r->block_count > 0) {
        --r->block_count;
      }
    }
    if (serial) *r = *saved;  // every label starts again from the first value
    ser_reset_cache();
    // No trailing feed: the cells end the label.
    prn_set_waiting_cut(serial ? label + 1 < labels : strip_left && r->block_count == 0);
    prn_job_end();
    prn_set_progress(uint16_t(label + 1), labels);
    if (prn_waiting_cut() && !prn_sample_seq_running()) {
      msg_popup_show(MSG_CUT_OR_PRINT, 0);
      const bool cancelled = cut_wait();
      prn_set_waiting_cut(0);
      if (cancelled) break;
      msg_popup_close();
    }
    prn_set_waiting_cut(0);
  }
  lbl_reset_print_options();
  if (was_auto) r->font_size = 0;
}
