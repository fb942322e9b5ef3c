// Barcodes: Code 39 and Code 128 (code set B). Which characters a barcode
// field takes, the symbol values of a field, the bar patterns and the width
// of each symbol. A module is 3 print dots.
#pragma once
#include <cstdint>

constexpr uint8_t BC_NONE = 0, BC_CODE39 = 1, BC_CODE128 = 2;
constexpr uint16_t BC_START_B = 104, BC_STOP = 106;
// Largest number of symbol values bc_encode makes of a field of n characters.
constexpr uint16_t bc_max_values(uint16_t n) { return uint16_t(n + 3); }

// Code 39 pattern of a character (13 bits: 12 modules and the gap), 0 if none.
uint16_t bc_pattern39(uint16_t code);
// Code 128 pattern of a value (11 bits; 13 for the Stop), 0 if none.
uint16_t bc_pattern128(uint16_t value);
uint16_t bc_pattern(uint8_t type, uint16_t value);
// Width of one symbol in dots.
uint8_t bc_symbol_dots(uint8_t type, uint16_t value);
// Whether a field of the type takes the character: a Code 39 symbol other
// than "*", or printable ASCII for Code 128.
bool bc_char_allowed(uint8_t type, uint16_t code);
// Symbol values of the whole symbol (start, data, check, stop) into values
// (room for bc_max_values(length)); characters that have no symbol are
// replaced in text itself ("%" in Code 39, "E" in Code 128).
void bc_encode(uint16_t* text, uint16_t length, uint8_t type, uint16_t* values, uint16_t* count);
uint16_t bc_checksum128(const uint16_t* values, uint16_t count);
// Print column c (in dots) of one symbol: 8 bytes all 0xFF for a bar module,
// all 0x00 for a space; past the symbol's end out is left as it is.
void bc_render_column(uint8_t type, uint16_t value, uint16_t c, uint8_t out[8]);

struct LabelRecord;

// The barcode block of a label's field: the bars (64 dots, head bytes 4..11)
// and the field's characters in 9pt bold (head bytes 0..3, the top of the
// text facing the bars), each centred in a run as wide as the wider of the
// two. Characters without a symbol (only an old or imported record holds
// them: typing refuses them) print replaced; the record is not changed.
// Sends the columns to the head; returns their number.
uint16_t bc_raster_block(const LabelRecord* record);
// Width in dots of the bars and of the human-readable line of the record's
// field as bc_raster_block would print them (the record is not changed).
void bc_block_widths(const LabelRecord* record, uint16_t* bar_width, uint16_t* text_width);
