// Text rasterising: the label text turned into print columns in two
// directions. Horizontal text runs along the tape (glyph columns follow each
// other, lines are stacked across the tape and centred in the band); rotated
// text stands across the tape (each glyph row is one column, the lines follow
// each other along the tape). Small rotated text is rendered into a cache of
// columns before the job begins, so the job sends it without font work.
#pragma once
#include <cstdint>

struct LabelRecord;

constexpr int PRN_ROTATED_CACHE = 100;  // columns
constexpr uint8_t PRN_ROTATED_MAX_CHARS = 14;

// Dot index where the glyph column of `line` starts for a block of
// last_line + 1 lines centred in the band of the loaded cartridge; *shift
// gets the signed start, negative when the block reaches below dot 0.
uint8_t prn_line_position(uint8_t size, uint8_t last_line, uint8_t line, int16_t* shift);
// For a negative start: moves the print column toward dot 0 by at most 7.
void prn_shift_column(int16_t start);

// Horizontal raster of the label record: from character `first` of every
// line, each line measured over at most `count` characters and centred
// against the longest. Sends exactly as many columns as the longest line is
// wide and returns that number.
uint16_t prn_raster_lines(uint8_t first, uint8_t count);
// The same for any record; repeats other than 1 draw every line that many
// times across the band (the type-46 wire layout; 0 draws nothing).
uint16_t prn_raster_record(const LabelRecord* record, uint8_t first, uint8_t count, uint16_t repeats);

// All columns of one glyph, the glyph at dot 0; returns the columns sent.
uint16_t prn_print_glyph(uint16_t code, uint8_t size, uint8_t bold);

// Rotated text. prepare renders a cacheable record (Banner Portrait or wire
// marker size, 6 or 9 pt) into the cache; emit sends the block (from the
// cache when it is cacheable) while a job prints; render does the glyph work.
// A line prints at most 14 characters (the fit check refuses longer ones);
// the record is never changed.
bool prn_rotated_cacheable(const LabelRecord* record);
void prn_rotated_prepare(LabelRecord* record);
uint8_t prn_rotated_emit(LabelRecord* record);
uint8_t prn_rotated_render(LabelRecord* record);
int16_t prn_rotated_cache_fill();
const uint8_t* prn_rotated_cache_column(int index);

// Rotated print of a byte string through the scratch record, inside a job.
void prn_print_string(const char* text, uint8_t size, uint8_t bold);
// The second label record: strings that are not the user's label, and the
// saved copy of a terminal block label while its serial cells are printed.
LabelRecord* prn_scratch_record();
