// Device character codes as text for JSON and the console: each code is its
// own Unicode code point (printable ASCII stays itself; accented letters and
// symbols keep their font codes), written as UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A code in the surrogate range (no device code lies there; only a damaged
// record holds one) becomes U+FFFD.
std::string device_codes_to_utf8(const std::vector<uint16_t>& codes);
// False when the text is not valid UTF-8 or holds a code point above U+FFFF.
bool device_utf8_to_codes(const std::string& text, std::vector<uint16_t>& codes);
