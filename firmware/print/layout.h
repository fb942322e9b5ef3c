// The layouts of the label types on the loaded material: which way the text
// runs, how it is centred, padded to a fixed length, repeated along a wire
// marker or across the band, or cut into terminal block cells. Each layout
// makes its Auto font choice, prints through the rasterisers and sets an
// Auto size back to Auto after the label.
#pragma once
#include <cstdint>

struct LabelRecord;

// Banner Landscape and the fixed lengths: pads, text, pads (or the text
// around a barcode field). The caller frames the label.
void prn_print_horizontal(LabelRecord* record);
// Wire marker sizes: begins the job, feeds the lead and the remainder, then
// the rotated block once per repeat; no trailing feed.
void prn_print_wire(LabelRecord* record);
// Type 46: begins the job and feeds the lead, then the text along the tape
// with every line repeated across the band; the caller feeds the trail.
void prn_print_wire_repeat(LabelRecord* record);
// Banner Portrait (type 0): the whole framed label, rotated text.
void prn_print_portrait(LabelRecord* record);
// Terminal block and patch panel: runs its own loop of labels with the
// progress and the "Cut or Print" pause; returns when the job is over.
void prn_print_block_label();

// The Auto font choice: with font_size 0, stores the sizes 6, 5, .. 1 in turn
// and keeps the first that passes `fits` (size 1 when none does). Returns
// true when the size was Auto, so the caller sets it back afterwards.
bool prn_choose_auto_size(LabelRecord* record, bool (*fits)(const LabelRecord*));
