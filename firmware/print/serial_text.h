// Serial numbers in the label text: the fixed-width number helpers, the
// running serial value of a digit serial run, and the plain step of one with
// carry that numbers the cells of terminal block and patch panel labels.
#pragma once
#include <cstdint>

struct LabelRecord;

// Writes exactly n decimal digits of value (value mod 10^n), leading zeros
// included, and a zero byte at buf[n]; returns n.
uint8_t num_format_fixed(uint16_t value, uint8_t* buf, uint8_t n);
// Reads exactly n bytes as a decimal number; a byte that is not a digit
// counts as 0 (the value is still multiplied by 10); wraps at 65536.
uint16_t num_parse_fixed(const uint8_t* text, uint8_t n);

// The running serial value of a digit run (0: not yet read from the text).
// Both firmware threads touch it, so it is one atomic 16-bit value.
uint16_t ser_cache();
void ser_set_cache(uint16_t value);
void ser_reset_cache();

// Adds one, with carry, to the run of upper-case letters, lower-case letters
// or digits just before the cursor of the current line: "9" gives "10", "AZ"
// "BA", "ZZ" "AAA". A run that grows gets a character inserted in front of
// it (through the label model, so the line limit and the fit apply); when
// that is refused the text and cursor stay as they were and the step fails.
// A cursor at column 0 succeeds without change; another character fails.
bool ser_increment_text();

// Values of a serial. Digits are the decimal number (0..999, at most three
// digits read). A run of 1..3 letters over the 26 letters from `base` ("A" or
// "a") is a bijective base-26 number minus one: A = 0, Z = 25, AA = 26,
// ZZ = 701, AAA = 702, ZZZ = 18277.
constexpr uint16_t SER_MAX_DIGITS = 999;
constexpr uint16_t SER_MAX_LETTERS = 18277;
enum : uint8_t { SER_CLASS_UPPER = 0, SER_CLASS_LOWER = 1, SER_CLASS_DIGITS = 2 };

// Value of the run of digits at the end of n 16-bit cells (back to the first
// non-digit); 0 when the last cell is not a digit or n is 0; wraps at 65536.
uint16_t serial_trailing_number(const uint16_t* cells, uint8_t n);
// Value of the run of letters base..base+25 at the end of n bytes; 0xFFFF
// when the last byte is not such a letter or n is 0.
uint16_t serial_trailing_letters(const uint8_t* text, uint8_t n, uint8_t base);
// Exactly three characters (no NUL) for a letter value 0..18277,
// right-aligned, "_" in the empty leading places: 0 is "__A", 26 "_AA".
void serial_format_letters(uint8_t* out, uint16_t value, uint8_t base);
// Low bytes of n cells; n bytes widened into cells.
void text_narrow(const uint16_t* cells, uint8_t* bytes, uint8_t n);
void text_widen(uint16_t* cells, const uint8_t* bytes, uint8_t n);
// "A".."Z" and "a".."z" only.
bool char_is_letter(uint16_t code);

// Value of the serial of class `cls` that ends at cell `position` of the
// current line: at most three characters, and never reaching back into a
// barcode field of the line.
uint16_t ser_value_at(uint8_t position, uint8_t cls);
// How many characters a serial ending at `position` of `line` may take: at
// most three, never reaching back into the barcode field of line 0.
int serial_window(const LabelRecord* r, uint8_t line, uint8_t position);
// The same without the limit of three: every character back to the barcode
// field of line 0, or to the line's start.
int serial_room(const LabelRecord* r, uint8_t line, uint8_t position);
// Writes the end text of a 12-byte serial block (the layout of the label
// record's bytes 430..441) as its start plus its increment; false, leaving
// the text alone, when that passes 999 (digits) or ZZZ (letters).
bool ser_format_end(uint8_t block[12]);

// A serial run: the number of values it prints from the record's start to
// its end text by its increment (0 with an increment of 0; a digit run has
// at least one value, a letter run may have none).
uint16_t ser_label_count();
// Steps the serial just before the cursor of the current line by the run's
// increment, after each value's copies. Digits step through the serial cache
// and keep their leading zeros ("009" to "010"); a refusal (line full, the
// label no longer fits, past 999, no digit before the cursor) leaves the text
// as it was. Letters take serial_increment single steps; the first refusal
// fails the step and the steps made stay. serial_start then holds the value
// the text shows, which is what the serial menu reads when it opens again.
// A cursor at column 0 succeeds without change.
bool ser_step_text();
// One letter step: the run of up to three letters of the class (0 upper,
// 1 lower case) before the cursor takes the next value of the scheme (Z to
// AA, AZ to BA, ZZ to AAA), a character being inserted in front when the run
// grows. False, the text unchanged, when there is no such letter, at ZZZ, or
// when the label model refuses the longer run.
bool ser_step_letters(uint8_t cls);
