// Label types: the code in the label record's `label_type` byte (0..50) and
// every question asked of it. The codes are stored in label files and the
// working-label journal, so their values never change. The lengths of the
// fixed lengths and wire sizes live in the label model (label.cpp).
#pragma once
#include <cstdint>

enum LabelType : uint8_t {
  LABEL_BANNER_PORTRAIT = 0,
  LABEL_BANNER_LANDSCAPE = 1,  // the only type that takes a barcode
  // Fixed lengths, 1.0 to 6.0 inches in half-inch steps, then 30 to 150 mm.
  LABEL_FIXED_1_0_IN = 2,
  LABEL_FIXED_1_5_IN,
  LABEL_FIXED_2_0_IN,
  LABEL_FIXED_2_5_IN,
  LABEL_FIXED_3_0_IN,
  LABEL_FIXED_3_5_IN,
  LABEL_FIXED_4_0_IN,
  LABEL_FIXED_4_5_IN,
  LABEL_FIXED_5_0_IN,
  LABEL_FIXED_5_5_IN,
  LABEL_FIXED_6_0_IN = 12,
  LABEL_FIXED_30_MM = 13,
  LABEL_FIXED_40_MM,
  LABEL_FIXED_50_MM,
  LABEL_FIXED_60_MM,
  LABEL_FIXED_70_MM,
  LABEL_FIXED_80_MM,
  LABEL_FIXED_90_MM,
  LABEL_FIXED_100_MM,
  LABEL_FIXED_110_MM,
  LABEL_FIXED_120_MM,
  LABEL_FIXED_130_MM,
  LABEL_FIXED_140_MM,
  LABEL_FIXED_150_MM = 25,
  // Wire markers in inch sizes, then metric sizes.
  LABEL_WIRE_0_75_IN = 26,
  LABEL_WIRE_1_0_IN,
  LABEL_WIRE_1_2_IN,
  LABEL_WIRE_1_5_IN,
  LABEL_WIRE_2_0_IN,
  LABEL_WIRE_2_5_IN,
  LABEL_WIRE_3_0_IN,
  LABEL_WIRE_4_0_IN,
  LABEL_WIRE_5_0_IN,
  LABEL_WIRE_6_0_IN = 35,
  LABEL_WIRE_20_MM = 36,
  LABEL_WIRE_25_MM,
  LABEL_WIRE_30_MM,
  LABEL_WIRE_40_MM,
  LABEL_WIRE_50_MM,
  LABEL_WIRE_65_MM,
  LABEL_WIRE_75_MM,
  LABEL_WIRE_100_MM,
  LABEL_WIRE_130_MM,
  LABEL_WIRE_150_MM = 45,
  LABEL_WIRE_SELF_LAM = 46,  // self-laminating material: no length of its own
  LABEL_TERMINAL_BLOCK_IN = 47,
  LABEL_PATCH_PANEL_IN = 48,
  LABEL_TERMINAL_BLOCK_MM = 49,
  LABEL_PATCH_PANEL_MM = 50,
};

constexpr uint8_t LABEL_TYPE_COUNT = 51;  // codes 0..50

constexpr bool lbl_type_in(uint8_t t, LabelType first, LabelType last) { return t >= first && t <= last; }

constexpr bool lbl_type_is_banner(uint8_t t) { return t == LABEL_BANNER_PORTRAIT || t == LABEL_BANNER_LANDSCAPE; }

constexpr bool lbl_type_is_fixed_inch(uint8_t t) { return lbl_type_in(t, LABEL_FIXED_1_0_IN, LABEL_FIXED_6_0_IN); }
constexpr bool lbl_type_is_fixed_mm(uint8_t t) { return lbl_type_in(t, LABEL_FIXED_30_MM, LABEL_FIXED_150_MM); }
constexpr bool lbl_type_is_fixed(uint8_t t) { return lbl_type_in(t, LABEL_FIXED_1_0_IN, LABEL_FIXED_150_MM); }

// A wire size: a wire marker with a length (not the self-laminating one).
constexpr bool lbl_type_is_wire_size_inch(uint8_t t) { return lbl_type_in(t, LABEL_WIRE_0_75_IN, LABEL_WIRE_6_0_IN); }
constexpr bool lbl_type_is_wire_size_mm(uint8_t t) { return lbl_type_in(t, LABEL_WIRE_20_MM, LABEL_WIRE_150_MM); }
constexpr bool lbl_type_is_wire_size(uint8_t t) { return lbl_type_in(t, LABEL_WIRE_0_75_IN, LABEL_WIRE_150_MM); }
// Any wire marker, the "Wire" entry of the label-type menu.
constexpr bool lbl_type_is_wire(uint8_t t) { return lbl_type_in(t, LABEL_WIRE_0_75_IN, LABEL_WIRE_SELF_LAM); }

constexpr bool lbl_type_is_terminal_block(uint8_t t) {
  return t == LABEL_TERMINAL_BLOCK_IN || t == LABEL_TERMINAL_BLOCK_MM;
}
constexpr bool lbl_type_is_patch_panel(uint8_t t) { return t == LABEL_PATCH_PANEL_IN || t == LABEL_PATCH_PANEL_MM; }
// Terminal block or patch panel, in either units.
constexpr bool lbl_type_is_block(uint8_t t) { return lbl_type_in(t, LABEL_TERMINAL_BLOCK_IN, LABEL_PATCH_PANEL_MM); }
constexpr bool lbl_type_is_block_inch(uint8_t t) { return t == LABEL_TERMINAL_BLOCK_IN || t == LABEL_PATCH_PANEL_IN; }
// The block type of the given kind in inches (mm false) or millimetres.
constexpr LabelType lbl_block_type(bool terminal, bool mm) {
  if (terminal) return mm ? LABEL_TERMINAL_BLOCK_MM : LABEL_TERMINAL_BLOCK_IN;
  return mm ? LABEL_PATCH_PANEL_MM : LABEL_PATCH_PANEL_IN;
}

// Inch types: the inch fixed lengths and wire sizes and the inch blocks.
constexpr bool lbl_type_is_inch(uint8_t t) {
  return lbl_type_is_fixed_inch(t) || lbl_type_is_wire_size_inch(t) || lbl_type_is_block_inch(t);
}
// Metric types. The 20 and 25 mm wire sizes count as neither, and the
// millimetre blocks are not metric for this test.
constexpr bool lbl_type_is_metric(uint8_t t) {
  return lbl_type_is_fixed_mm(t) || lbl_type_in(t, LABEL_WIRE_30_MM, LABEL_WIRE_150_MM);
}

// Material families (the cartridge's class): the types a label can be laid out
// as. Sleeves take only Banner Landscape and the fixed lengths; self-laminating
// material refuses Banner Portrait, the wire sizes and the blocks (it has its
// own wire type). Continuous tape takes every type.
constexpr bool lbl_type_suits_sleeve(uint8_t t) { return t == LABEL_BANNER_LANDSCAPE || lbl_type_is_fixed(t); }
constexpr bool lbl_type_suits_self_lam(uint8_t t) {
  return !(t == LABEL_BANNER_PORTRAIT || lbl_type_is_wire_size(t) || lbl_type_is_block(t));
}

// The types the layout fit check runs on after every insertion: Banner
// Portrait, the wire sizes and the blocks. Fixed lengths test the length
// instead; Banner Landscape and the self-laminating wire test nothing.
constexpr bool lbl_type_checks_fit_on_insert(uint8_t t) {
  return t == LABEL_BANNER_PORTRAIT || lbl_type_is_wire_size(t) || lbl_type_is_block(t);
}
