// The stored label record's fields by name, with the range of values the
// device itself can put in each, and the record as a JSON object for tools
// (the flash tool's export and import). A record read from JSON is checked
// field by field, and across fields (cursor within its line, current line
// within the lines, barcode field inside a one-line label), before anyone
// writes it.
//
// JSON form: {"name", "lines": [...], "cursors": [...], "current_line", then
// every plain field by its name}. Texts use one code point per device code
// (host/device_text.h); unused bytes of the record are not carried and read back as 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "firmware/editor/label.h"

struct LabelField {
  const char* name;
  size_t offset;  // in the 464-byte record
  uint8_t bytes;  // 1 or 2 (little-endian)
  uint16_t min, max;
};

// The plain numeric fields, in record order.
const std::vector<LabelField>& label_fields();

// Highest character code a cell can hold: the extended symbols end there.
constexpr uint16_t LABEL_LAST_CODE = 552;

// "" when every field and every cross-field rule holds, else what is wrong.
std::string label_record_problem(const LabelRecord& record);

nlohmann::ordered_json label_to_json(const LabelRecord& record);
// Builds a record (checksum set) from its JSON form; false with a message
// naming the field when something is missing, of the wrong kind or out of range.
bool label_from_json(const nlohmann::json& j, LabelRecord& record, std::string& error);
