// The device's state as one JSON object on one line: the batch runner's --state
// and the serial remote control's answer to STATE?.
#pragma once
#include <nlohmann/json.hpp>
#include <cstdint>
#include <string>

class LcdTextReader;
struct TapeLabel;

// The object, keys in their documented order. With a reader, `lcd_text` (the
// LCD read back as four lines, the status line last, in Unicode as the LCD
// shows it) and `lcd_inverse` (which of them hold an inverted bar) are added.
nlohmann::ordered_json state_object(const LcdTextReader* screen = nullptr);
// The object on one line; characters past ASCII as \uXXXX escapes.
std::string state_json(const LcdTextReader* screen = nullptr);

// The facts of one printed label as labels.json lists them (and the render
// service's JSON answer): number, width in columns ("columns" kept, the same
// count, for the lists written before), label type, material, copy, serial.
nlohmann::ordered_json label_facts_object(uint64_t number, size_t width, const TapeLabel& facts);
