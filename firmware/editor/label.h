// The one label record being edited: up to four lines of up to 50
// characters, the cursor, an optional barcode field inside line 0 and the
// settings that belong to the label. The same 464 bytes are the stored label
// format (working-label journal, file slots), so the layout is fixed and
// little-endian; the print engine lays out and prints straight from it.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>

#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"

static_assert(std::endian::native == std::endian::little, "the label record is stored as raw little-endian bytes");

constexpr uint8_t LBL_MAX_LINES = 4;
constexpr uint8_t LBL_MAX_CHARS = 50;

struct LabelLine {
  uint16_t cells[51];  // cells 0..length-1 carry the text; the rest are stale
  uint8_t cursor;      // the cursor stands before the character at this column
  uint8_t length;
};

struct LabelRecord {
  LabelLine lines[LBL_MAX_LINES];
  uint8_t font_size;  // 0 Auto, 1..6 = 6, 9, 14, 20, 28, 40 pt
  uint8_t label_type;
  uint8_t last_line;
  uint8_t current_line;
  uint8_t copies;
  uint8_t unused_421;
  uint8_t serial_print;
  uint8_t bold;
  // Terminal block / patch panel parameters, one 5-byte block (424..428).
  uint8_t rotation;
  uint8_t spacing_choice;
  uint8_t block_count;
  uint8_t custom_spacing;
  uint8_t block_serial;
  uint8_t unused_429;
  // Serial run parameters, one 12-byte block (430..441).
  uint16_t serial_increment;
  uint16_t serial_last_char;
  uint16_t serial_start;
  uint8_t serial_class;  // 0 upper-case letters, 1 lower-case letters, 2 digits
  uint8_t unused_437;
  uint8_t serial_end_text[4];
  uint8_t barcode_type;    // 0 none, 1 Code 39, 2 Code 128
  uint8_t barcode_active;  // 1 while typed characters go into the field
  uint8_t barcode_length;
  uint8_t barcode_start;  // column in line 0
  uint8_t units;          // 0 inches, 1 millimetres
  uint8_t file_name[12];
  uint8_t unused_459;
  uint32_t checksum;  // sum of bytes 0..459
};

static_assert(sizeof(LabelLine) == 104);
static_assert(offsetof(LabelLine, cursor) == 102 && offsetof(LabelLine, length) == 103);
static_assert(sizeof(LabelRecord) == 464);
static_assert(offsetof(LabelRecord, font_size) == 416);
static_assert(offsetof(LabelRecord, label_type) == 417);
static_assert(offsetof(LabelRecord, last_line) == 418);
static_assert(offsetof(LabelRecord, current_line) == 419);
static_assert(offsetof(LabelRecord, copies) == 420);
static_assert(offsetof(LabelRecord, serial_print) == 422);
static_assert(offsetof(LabelRecord, bold) == 423);
static_assert(offsetof(LabelRecord, rotation) == 424);
static_assert(offsetof(LabelRecord, spacing_choice) == 425);
static_assert(offsetof(LabelRecord, block_count) == 426);
static_assert(offsetof(LabelRecord, custom_spacing) == 427);
static_assert(offsetof(LabelRecord, block_serial) == 428);
static_assert(offsetof(LabelRecord, serial_increment) == 430);
static_assert(offsetof(LabelRecord, serial_last_char) == 432);
static_assert(offsetof(LabelRecord, serial_start) == 434);
static_assert(offsetof(LabelRecord, serial_class) == 436);
static_assert(offsetof(LabelRecord, serial_end_text) == 438);
static_assert(offsetof(LabelRecord, barcode_type) == 442);
static_assert(offsetof(LabelRecord, barcode_active) == 443);
static_assert(offsetof(LabelRecord, barcode_length) == 444);
static_assert(offsetof(LabelRecord, barcode_start) == 445);
static_assert(offsetof(LabelRecord, units) == 446);
static_assert(offsetof(LabelRecord, file_name) == 447);
static_assert(offsetof(LabelRecord, checksum) == 460);

constexpr size_t LBL_SERIAL_BLOCK_OFFSET = 430, LBL_SERIAL_BLOCK_SIZE = 12;
constexpr size_t LBL_TERM_BLOCK_OFFSET = 424, LBL_TERM_BLOCK_SIZE = 5;

LabelRecord* lbl_record();

// ---- Text operations (on the current line, lines[current_line]) ----
bool lbl_insert_char(uint16_t code);
// The same insertion without the popup: the print engine steps serials from
// its worker thread and reports a refusal itself, after the job.
bool lbl_insert_char_quiet(uint16_t code);
void lbl_backspace();
void lbl_delete_before_cursor(uint8_t line);
void lbl_new_line(bool check_fit);
void lbl_clear_line(uint8_t n);
void lbl_set_column(uint8_t col);
void lbl_cursor_left();
void lbl_cursor_right();
void lbl_cursor_up();
void lbl_cursor_down();
void lbl_clear_text();
bool lbl_is_empty();
uint8_t lbl_max_line_length();
// Printed length along the tape at the label's size: margins 0 adds the
// lead feed, 1 adds lead and trail, any other value adds nothing.
uint16_t lbl_length_dots(uint8_t margins);
uint16_t lbl_record_length_dots(const LabelRecord* record, uint8_t margins);
bool lbl_barcode_begin(uint8_t kind);
// Why the label cannot be printed now (the message to show), or 0: a barcode
// field with a cartridge other than the 3/4-inch tape (put in after the field
// was made: its bars would run off the tape), or a label that does not fit.
uint8_t lbl_print_refusal();
void lbl_barcode_clear();

// Brings a record that breaks the model's invariants (hand-edited flash,
// a foreign file) back into range so that no operation indexes past a line:
// line indexes, lengths, the current cursor and the barcode field are clamped.
// A record the device wrote itself is left unchanged.
void lbl_make_consistent(LabelRecord* record);

// ---- Settings ----
uint8_t lbl_get_type();
bool lbl_set_type(uint8_t t);  // the layout fit check's verdict; the type stays either way
uint8_t lbl_get_font_size();
void lbl_set_font_size(uint8_t size);
uint8_t lbl_get_bold();
void lbl_set_bold(uint8_t bold);
uint8_t lbl_get_copies();
void lbl_set_copies(uint8_t copies);
uint8_t lbl_get_serial_print();
void lbl_set_serial_print(uint8_t on);
uint8_t lbl_get_units();
void lbl_set_units(uint8_t units);
// The serial block (12 bytes at 430) and the terminal block / patch panel
// block (5 bytes at 424): read through the address, written whole.
const uint8_t* lbl_serial_block();
void lbl_set_serial_block(const uint8_t block[LBL_SERIAL_BLOCK_SIZE]);
const uint8_t* lbl_term_block();
void lbl_set_term_block(const uint8_t block[LBL_TERM_BLOCK_SIZE]);

void lbl_set_defaults();
// Loads the working label from the journal, or the defaults.
void lbl_load();
void lbl_reset_print_options();

uint32_t lbl_checksum(const LabelRecord* record);
bool lbl_checksum_ok(const LabelRecord* record);

// ---- Label type functions (the predicates are in label_types.h) ----
uint16_t lbl_fixed_length_dots(uint8_t t);
uint16_t lbl_wire_length_dots(uint8_t t);
// True when the current label is a terminal block or patch panel.
bool lbl_type_is_block();
uint8_t lbl_type_caption_id(uint8_t t);
