// Where dots go on the tape: the printable band of each label material, the
// feeds around a label, wire marker repeats, the terminal block pitch and
// the fit check that decides whether a label can be printed at all.
// Geometry is 8 dots per millimetre (203 per inch) in both directions.
#pragma once
#include <cstdint>

struct LabelRecord;

// Band height A (dots that may carry ink) and first dot B for a cartridge id;
// 0 and 0 for no cartridge and unknown ids.
void prn_print_band(uint8_t cartridge_id, uint8_t* a, uint8_t* b);

// Blank columns before (device settings byte 6) and after (byte 7) a label;
// the factory 78 and 78 while the stored settings are invalid.
void prn_settings_feeds(uint8_t* lead, uint8_t* trail);

// Height of the text block: glyph height of the font size (Auto as 6pt)
// times the number of lines in use.
uint16_t prn_text_block_height(const LabelRecord* record);

// True when the label can be laid out on the loaded material. Auto is tested
// as 6pt.
bool prn_label_fits(const LabelRecord* record);
// Every used line's ink width is at most the band height.
bool prn_rotated_fits(const LabelRecord* record);
// How many text blocks fit along a wire marker after the lead feed, and the
// columns left over; both 0 for types that are not wire marker sizes.
void prn_wire_repeats(const LabelRecord* record, uint16_t* repeats, uint16_t* remainder);
// Copies of the whole text block across the band (the type-46 wire layout):
// band height / block height, 0 when the block is taller than the band.
uint16_t prn_band_repeats(const LabelRecord* record);
// Pitch of one terminal block / patch panel cell in dots, for the label
// record (`prn_block_pitch`) or a given record.
uint16_t prn_block_pitch();
uint16_t prn_record_block_pitch(const LabelRecord* record);
