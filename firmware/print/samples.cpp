#include "firmware/print/samples.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/engine.h"
#include "firmware/print/layout.h"
#include "firmware/platform/cartridge.h"

namespace {
constexpr int kBurnLabels = 64;
// The fourth line of the thank-you label: where to read more (27 characters).
constexpr const char* kThankYouAddress = "https://www.example.com/lbl";

// Demonstration lists by cartridge id, each ended by a 0.
constexpr uint8_t kListNarrow[] = {3, 2, 14, 14, 4, 18, 6, 7, 14, 14, 14, 25, 6,  23, 10, 14, 10, 14, 20,
                                     14, 14, 14, 2, 14, 10, 18, 2, 18, 10, 14, 23, 14, 10, 2, 14, 14, 10, 0};
constexpr uint8_t kListHalfInch[] = {1,  1,  15, 15, 4,  17, 5,  17, 7,  15, 24, 9,  23, 10, 15, 10, 15, 21, 15, 15,
                                         15, 1,  15, 10, 17, 1,  17, 10, 15, 23, 15, 10, 5,  15, 10, 15, 1,  23, 0};
constexpr uint8_t kListThreeQuarter[] = {1,  1,  13, 13, 4,  16, 5, 19, 7,  13, 24, 9, 23, 10, 13, 11, 13, 21,
                                    13, 26, 13, 27, 13, 1,  13, 11, 16, 1, 19, 10, 13, 23, 13, 11, 0};
constexpr uint8_t kListSelfLamA[] = {3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4,
                                     3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 0};
constexpr uint8_t kListSelfLamB[] = {2, 3, 4, 6, 7, 6, 8, 10, 2, 3, 4, 6, 7, 6, 8, 10, 2, 3, 4, 6, 0};
constexpr uint8_t kListSleeveA[] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0};
constexpr uint8_t kListSleeveB[] = {3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 4, 3, 7, 0};
constexpr uint8_t kListSleeveC[] = {2, 3, 4, 6, 7, 6, 8, 10, 2, 3, 4, 6, 7, 6, 8, 10, 2, 3, 4, 6, 6, 0};
constexpr uint8_t kListSleeveD[] = {2, 3, 4, 6, 7, 6, 8, 10, 1, 5, 21, 2, 3, 4, 6, 7, 6, 8, 10, 1, 5, 0};
constexpr const uint8_t* kLists[12] = {kListNarrow, kListNarrow, kListHalfInch, kListThreeQuarter,
                                       kListSelfLamA, kListSelfLamB, kListSelfLamA,     kListSelfLamB,
                                       kListSleeveA,  kListSleeveB,  kListSleeveC,      kListSleeveD};

// A line's text and its length field; the length may be shorter than the
// text copied (the rest stays in the cells beyond it).
void set_line(LabelRecord* r, uint8_t line, const std::string& text, uint8_t length) {
  LabelLine& l = r->lines[line];
  const size_t n = std::min<size_t>(text.size(), LBL_MAX_CHARS);
  for (size_t i = 0; i < n; ++i) l.cells[i] = uint8_t(text[i]);
  l.length = length;
}

void set_fields(LabelRecord* r, uint8_t size, uint8_t type, uint8_t bold, uint8_t last_line) {
  r->font_size = size;
  r->label_type = type;
  r->bold = bold;
  r->last_line = last_line;
}

// A font sample line: heading, digits, a lower- or upper-case alphabet and
// seven signs, cut to 50 characters.
std::string font_line(const std::string& heading, bool lower) {
  std::string s = heading + "0123456789";
  for (char c = 'a'; c <= 'z'; ++c) s += lower ? c : char(c - 32);
  s += "!\"\xA3$%^&";
  return s.substr(0, LBL_MAX_CHARS);
}

void font_sample(LabelRecord* r, const char* first_heading, uint8_t size, uint8_t bold, uint8_t last_line) {
  set_fields(r, size, LABEL_BANNER_LANDSCAPE, bold, last_line);
  for (uint8_t i = 0; i <= last_line; ++i) {
    const std::string heading = i == 0 ? std::string(first_heading) : "Line" + std::to_string(i + 1) + ": ";
    set_line(r, i, font_line(heading, i % 2 == 0), LBL_MAX_CHARS);
  }
}

void block_sample(LabelRecord* r, uint8_t type, const char* text, uint8_t length, uint8_t rotation,
                  uint8_t spacing) {
  set_fields(r, 1, type, 0, 0);
  set_line(r, 0, text, length);
  // The cursor stays at 7 even past a shortened line: the block's serial
  // then steps the number hidden behind the text, which prints the same in
  // every cell. The first edit puts the cursor back at the text's end.
  r->lines[0].cursor = 7;
  r->rotation = rotation;
  r->spacing_choice = spacing;
  r->block_count = 10;
  r->block_serial = 1;
  r->serial_print = 1;
  r->copies = 1;
}

void barcode_sample(LabelRecord* r, const char* text, uint8_t kind) {
  const uint8_t length = uint8_t(std::strlen(text));
  set_fields(r, 2, LABEL_BANNER_LANDSCAPE, 0, 0);
  set_line(r, 0, text, length);
  r->lines[0].cursor = 0;
  r->barcode_type = kind;
  r->barcode_start = 0;
  r->barcode_length = length;
}
}  // namespace

void prn_load_sample(uint8_t n) {
  lbl_clear_text();
  LabelRecord* r = lbl_record();
  switch (n) {
    case 1:
    case 2:
    case 3:
      font_sample(r, "6 Pt Font Bold Line1: ", 1, 1, uint8_t(4 - n));
      break;
    case 4:
      font_sample(r, "6 Pt Line1: ", 1, 0, 0);
      break;
    case 5:
    case 6:
      font_sample(r, "9 Pt Bold Line1: ", 2, 1, uint8_t(7 - n));
      break;
    case 7:
      font_sample(r, "9 Pt Line1: ", 2, 0, 0);
      break;
    case 8:
    case 9:
      font_sample(r, "14 Pt Line1: ", 3, 0, uint8_t(n - 8));
      break;
    case 10:
      font_sample(r, "20 Pt Bold Line1: ", 4, 1, 0);
      break;
    case 11:
      font_sample(r, "40 Pt Line1: ", 6, 0, 0);
      break;
    case 12:
      set_fields(r, 2, LABEL_BANNER_LANDSCAPE, 1, 3);
      set_line(r, 0, "THANK YOU FOR PURCHASING KLX80.", 31);
      set_line(r, 1, "PLEASE CLOSE THE GRAY CARTRIDGE", 31);
      set_line(r, 2, "LOCK AND CUT THIS LABEL.", 24);
      set_line(r, 3, kThankYouAddress, 27);
      break;
    case 13:
    case 14:
    case 15:
      set_fields(r, 1, LABEL_WIRE_6_0_IN, 0, 0);
      set_line(r, 0, "1234567890ABCD", n == 13 ? 14 : 4);
      break;
    case 16:
    case 17:
    case 18:
      set_fields(r, 3, LABEL_WIRE_1_2_IN, 1, 0);
      set_line(r, 0, "123456", n == 16 ? 6 : n == 17 ? 3 : 2);
      break;
    case 19:
      set_fields(r, 5, LABEL_WIRE_2_0_IN, 1, 0);
      set_line(r, 0, "123", 3);
      break;
    case 20:
    case 21:
      set_fields(r, n == 20 ? 4 : 5, LABEL_FIXED_3_0_IN, 0, 0);
      set_line(r, 0, "Fixed 3.0\"", 10);
      break;
    case 22:
      set_fields(r, 6, LABEL_FIXED_100_MM, 1, 0);
      set_line(r, 0, "MMMMMMMMMM", 10);
      break;
    case 23:
      block_sample(r, LABEL_PATCH_PANEL_IN, "Patch 0", 7, 0, 0);
      break;
    case 24:
    case 25:
      block_sample(r, LABEL_TERMINAL_BLOCK_IN, "Term 15", n == 24 ? 7 : 4, 1, 2);
      break;
    case 26:
      barcode_sample(r, "BARCODE 39", 1);
      break;
    case 27:
      barcode_sample(r, "BARCODE 128", 2);
      break;
    default:
      break;
  }
}

const uint8_t* prn_sample_list(uint8_t cartridge_id) { return kLists[cartridge_id < 12 ? cartridge_id : 0]; }

void prn_samples_next() {
  const uint8_t* list = prn_sample_list(cart_get_id());
  const uint8_t index = prn_sample_index();
  if (list[index] != 0) {
    prn_load_sample(list[index]);
    prn_set_sample_seq(1, uint8_t(index + 1));
    ui_set_mode(MODE_PRINT);
    return;
  }
  prn_set_sample_seq(0, 0);
  ui_set_mode(MODE_EDITOR);
  lbl_clear_text();
  lbl_set_defaults();
}

void prn_thank_you() {
  prn_load_sample(PRN_SAMPLE_THANK_YOU);
  prn_set_restore_after_print();
  ui_set_mode(MODE_PRINT);
}

void prn_burn_test() {
  sys_busy_hook(1, 1);
  prn_load_sample(PRN_SAMPLE_BURN);
  prn_set_progress(0, 1);
  prn_sync_display();
  for (int i = 0; i < kBurnLabels; ++i) {
    prn_job_begin();
    prn_feed_lead();
    prn_print_horizontal(lbl_record());
    prn_feed(prn_trail_dots());
    prn_job_end();
  }
  sys_busy_hook(0, 1);
  // The sample leaves as the other built-in prints' samples do: the editor
  // gets an empty label with the defaults, not a 40 pt fixed-length sample
  // that has no room for another letter.
  lbl_clear_text();
  lbl_set_defaults();
  ui_set_mode(MODE_EDITOR);
}
