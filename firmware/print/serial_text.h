// Serial numbers in the label text: the fixed-width number helpers, the
// running serial value of a digit serial run, and the plain step of one with
// carry that numbers the cells of terminal block and patch panel labels.
#pragma once
#include <cstdint>

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

// A serial run: the number of values it prints, and the step of the serial
// in the text after each value's copies (false when the stepped text no
// longer fits). Until serial runs are built, a run is one value and the step
// leaves the text as it is.
uint16_t ser_label_count();
bool ser_step_text();
