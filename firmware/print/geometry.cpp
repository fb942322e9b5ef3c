#include "firmware/print/geometry.h"

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/cartridge.h"
#include "firmware/print/raster.h"
#include "firmware/print/text_width.h"

namespace {
struct Band {
  uint8_t a, b;
};

// Band height and first dot per cartridge id: none, 3/8", 1/2", 3/4" tape,
// self-laminating 0.75", 1.25", 1.00", 1.50", sleeves 0.125" .. 0.375".
constexpr Band kBands[CART_COUNT] = {{0, 0},   {54, 2},  {78, 3},  {126, 2}, {35, 86}, {61, 11},
                                     {35, 34}, {61, 58}, {18, 18}, {36, 7},  {56, 8},  {82, 17}};

constexpr uint8_t kDefaultFeed = 78;

}  // namespace

void prn_print_band(uint8_t cartridge_id, uint8_t* a, uint8_t* b) {
  Band band = cartridge_id < CART_COUNT ? kBands[cartridge_id] : Band{0, 0};
  *a = band.a;
  *b = band.b;
}

// The print engine writes the factory settings at start-up when the stored
// ones are bad; until then measure with the same factory feeds rather than
// with whatever bytes an erased or damaged record holds.
void prn_settings_feeds(uint8_t* lead, uint8_t* trail) {
  uint8_t settings[10] = {};
  if (nvm_load_device_settings(settings) && settings[8] == 0xA4) {
    *lead = settings[6];
    *trail = settings[7];
  } else {
    *lead = kDefaultFeed;
    *trail = kDefaultFeed;
  }
}

// font_height treats Auto (0) as 6pt, which is how the fit check tests it.
uint16_t prn_text_block_height(const LabelRecord* r) {
  return uint16_t(font_height(r->font_size) * (r->last_line + 1));
}

// Rotated text prints at most 14 characters a line: a longer line does not
// fit, so the editor refuses the 15th character rather than the print
// dropping what the user typed.
bool prn_rotated_fits(const LabelRecord* r) {
  uint8_t a, b;
  prn_print_band(cart_get_id(), &a, &b);
  for (int i = 0; i <= r->last_line && i < LBL_MAX_LINES; ++i) {
    const LabelLine& ln = r->lines[i];
    if (ln.length > PRN_ROTATED_MAX_CHARS) return false;
    const uint8_t length = ln.length;
    if (prn_ink_width(r->font_size, r->bold, ln.cells, length) > a) return false;
  }
  return true;
}

void prn_wire_repeats(const LabelRecord* r, uint16_t* repeats, uint16_t* remainder) {
  *repeats = 0;
  *remainder = 0;
  uint16_t m = lbl_wire_length_dots(r->label_type);
  if (m == 0) return;
  uint16_t h = prn_text_block_height(r);
  if (h == 0) return;  // no font data: nothing can be laid out
  uint8_t lead, trail;
  prn_settings_feeds(&lead, &trail);
  int16_t rest = int16_t(m - lead);
  if (rest < 0) rest = 0;
  *repeats = uint16_t(rest / h);
  *remainder = uint16_t(rest - *repeats * h);
}

uint16_t prn_band_repeats(const LabelRecord* r) {
  uint8_t a, b;
  prn_print_band(cart_get_id(), &a, &b);
  uint16_t h = prn_text_block_height(r);
  return h == 0 ? 0 : uint16_t(a / h);
}

uint16_t prn_record_block_pitch(const LabelRecord* r) {
  bool inch = lbl_type_is_inch(r->label_type);
  switch (r->spacing_choice) {
    case 0:
    case 3:
      return inch ? 122 : 64;  // 0.6 inch, 8 mm
    case 4:
      return inch ? uint16_t(r->custom_spacing * 203 / 10) : uint16_t(r->custom_spacing * 8);
    default:
      return inch ? 41 : 48;  // 0.2 inch, 6 mm; the menus offer no choice above 4
  }
}

uint16_t prn_block_pitch() { return prn_record_block_pitch(lbl_record()); }

bool prn_label_fits(const LabelRecord* r) {
  uint8_t a, b;
  const uint8_t cart = cart_get_id();
  prn_print_band(cart, &a, &b);
  const uint8_t t = r->label_type;
  const uint16_t h = prn_text_block_height(r);
  const uint16_t fixed = lbl_fixed_length_dots(t);

  // Material rules.
  if (cart_id_is_sleeve(cart) && !lbl_type_suits_sleeve(t)) return false;
  if (cart_id_is_self_lam(cart) && !lbl_type_suits_self_lam(t)) return false;

  if (t == LABEL_BANNER_LANDSCAPE || fixed > 0 || t == LABEL_WIRE_SELF_LAM) {
    if (r->barcode_type != 0 && r->last_line > 0) return false;
    if (h > a) return false;
    if (fixed > 0 && !(fixed > lbl_record_length_dots(r, 1))) return false;
    return true;
  }
  if (t == LABEL_BANNER_PORTRAIT || lbl_type_is_wire_size(t)) {
    if (!prn_rotated_fits(r)) return false;
    if (lbl_type_is_wire_size(t)) {
      uint16_t repeats, remainder;
      prn_wire_repeats(r, &repeats, &remainder);
      if (repeats == 0) return false;
    }
    return true;
  }
  if (lbl_type_is_block(t)) {
    uint16_t pitch = prn_record_block_pitch(r);
    if (r->rotation == 0) return h <= a && pitch > lbl_record_length_dots(r, 2);
    return prn_rotated_fits(r) && pitch > h;
  }
  return true;
}
