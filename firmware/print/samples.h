// Built-in sample labels and the factory prints made of them: the
// demonstration run of the loaded cartridge, the thank-you label, the burn
// test. A sample replaces the text of the user's label record.
#pragma once
#include <cstdint>

constexpr uint8_t PRN_SAMPLE_COUNT = 27;  // samples 1..27
constexpr uint8_t PRN_SAMPLE_THANK_YOU = 12;
constexpr uint8_t PRN_SAMPLE_BURN = 22;

// Empties the label's text and loads sample n (1..27); any other n only empties it.
void prn_load_sample(uint8_t n);
// The demonstration list of a cartridge id, ended by a 0.
const uint8_t* prn_sample_list(uint8_t cartridge_id);

// Engine jobs (worker thread).
void prn_samples_next();  // mode 24
void prn_thank_you();     // mode 25
void prn_burn_test();     // mode 33
