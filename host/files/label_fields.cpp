#include "host/files/label_fields.h"

#include <cstring>

#include "host/files/device_text.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {
#define FIELD(name, min, max) \
  { #name, offsetof(LabelRecord, name), uint8_t(sizeof(LabelRecord::name)), min, max }

// What the device's own editor and menus can put in each field. Copies may
// be typed as 0; a custom spacing of 0 is raised to 2 when the label loads.
const std::vector<LabelField> kFields = {
    FIELD(font_size, 0, 6),
    FIELD(label_type, 0, 50),
    FIELD(copies, 0, 99),
    FIELD(serial_print, 0, 1),
    FIELD(bold, 0, 1),
    FIELD(rotation, 0, 1),
    FIELD(spacing_choice, 0, 4),
    FIELD(block_count, 1, 99),
    FIELD(custom_spacing, 0, 99),
    FIELD(block_serial, 0, 1),
    FIELD(serial_increment, 1, 99),
    FIELD(serial_last_char, 0, LABEL_LAST_CODE),
    FIELD(serial_start, 0, 18277),
    FIELD(serial_class, 0, 2),
    FIELD(barcode_type, 0, 2),
    FIELD(barcode_active, 0, 1),
    FIELD(barcode_length, 0, 50),
    FIELD(barcode_start, 0, 50),
    FIELD(units, 0, 1),
};
#undef FIELD

uint16_t get(const LabelRecord& r, const LabelField& f) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&r) + f.offset;
  return f.bytes == 1 ? bytes[0] : uint16_t(bytes[0] | bytes[1] << 8);
}

void put(LabelRecord& r, const LabelField& f, uint16_t v) {
  auto* bytes = reinterpret_cast<uint8_t*>(&r) + f.offset;
  bytes[0] = uint8_t(v);
  if (f.bytes == 2) bytes[1] = uint8_t(v >> 8);
}

// A zero-terminated byte field (file name, serial end) as codes.
std::vector<uint16_t> byte_text(const uint8_t* bytes, size_t size) {
  std::vector<uint16_t> codes;
  for (size_t i = 0; i < size && bytes[i]; ++i) codes.push_back(bytes[i]);
  return codes;
}

bool serial_end_char(uint16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

std::string text_problem(const char* name, const std::vector<uint16_t>& codes, size_t max, uint16_t low,
                         uint16_t high) {
  if (codes.size() > max) return std::string(name) + " is longer than " + std::to_string(max) + " characters";
  for (uint16_t c : codes)
    if (c < low || c > high)
      return std::string(name) + " holds character code " + std::to_string(c) + ", outside " + std::to_string(low) +
             ".." + std::to_string(high);
  return "";
}
}  // namespace

const std::vector<LabelField>& label_fields() { return kFields; }

std::string label_record_problem(const LabelRecord& r) {
  for (const LabelField& f : kFields) {
    const uint16_t v = get(r, f);
    if (v < f.min || v > f.max)
      return std::string(f.name) + " is " + std::to_string(v) + ", outside " + std::to_string(f.min) + ".." +
             std::to_string(f.max);
  }
  if (r.last_line >= LBL_MAX_LINES) return "last_line is " + std::to_string(r.last_line) + ", outside 0..3";
  if (r.current_line > r.last_line)
    return "current_line " + std::to_string(r.current_line) + " is past the last line " + std::to_string(r.last_line);
  for (int i = 0; i < LBL_MAX_LINES; ++i) {
    const LabelLine& line = r.lines[i];
    const std::string name = "line " + std::to_string(i);
    if (line.length > LBL_MAX_CHARS) return name + " is longer than 50 characters";
    if (i > r.last_line && line.length != 0) return name + " has text after the last line";
    if (line.cursor > LBL_MAX_CHARS) return name + ": cursor " + std::to_string(line.cursor) + " is outside 0..50";
    if (i == r.current_line && line.cursor > line.length)
      return name + ": cursor " + std::to_string(line.cursor) + " is past the end of the line";
    std::string p = text_problem(name.c_str(), std::vector<uint16_t>(line.cells, line.cells + line.length),
                                 LBL_MAX_CHARS, 1, LABEL_LAST_CODE);
    if (!p.empty()) return p;
  }
  if (r.barcode_type == 0 && (r.barcode_active || r.barcode_length || r.barcode_start))
    return "a barcode field is described but barcode_type is 0";
  if (r.barcode_type != 0) {
    if (r.last_line != 0) return "a barcode field needs a one-line label";
    if (r.barcode_start + r.barcode_length > r.lines[0].length) return "the barcode field runs past the end of line 0";
  }
  std::string p = text_problem("name", byte_text(r.file_name, sizeof r.file_name), 11, 32, 255);
  if (!p.empty()) return p;
  if (r.file_name[11] != 0) return "name is not terminated";
  const std::vector<uint16_t> end = byte_text(r.serial_end_text, sizeof r.serial_end_text);
  if (end.size() > 3 || r.serial_end_text[3] != 0) return "serial_end_text is longer than 3 characters";
  for (uint16_t c : end)
    if (!serial_end_char(c)) return "serial_end_text holds '" + std::string(1, char(c)) + "', not a digit, letter or _";
  return "";
}

ordered_json label_to_json(const LabelRecord& r) {
  ordered_json j;
  j["name"] = device_codes_to_utf8(byte_text(r.file_name, sizeof r.file_name));
  const int last = r.last_line < LBL_MAX_LINES ? r.last_line : LBL_MAX_LINES - 1;
  ordered_json lines = ordered_json::array(), cursors = ordered_json::array();
  for (int i = 0; i <= last; ++i) {
    const LabelLine& line = r.lines[i];
    const int length = line.length > LBL_MAX_CHARS ? LBL_MAX_CHARS : line.length;
    lines.push_back(device_codes_to_utf8(std::vector<uint16_t>(line.cells, line.cells + length)));
    cursors.push_back(line.cursor);
  }
  j["lines"] = lines;
  j["cursors"] = cursors;
  j["current_line"] = r.current_line;
  for (const LabelField& f : kFields) j[f.name] = get(r, f);
  j["serial_end_text"] = device_codes_to_utf8(byte_text(r.serial_end_text, sizeof r.serial_end_text));
  return j;
}

bool label_from_json(const json& j, LabelRecord& r, std::string& error) {
  std::memset(&r, 0, sizeof r);
  if (!j.is_object()) {
    error = "a label must be a JSON object";
    return false;
  }
  auto text = [&](const char* key, std::vector<uint16_t>& codes, bool required) {
    if (!j.contains(key)) {
      if (required) error = std::string("\"") + key + "\" is missing";
      return !required;
    }
    if (!j[key].is_string() || !device_utf8_to_codes(j[key].get<std::string>(), codes)) {
      error = std::string("\"") + key + "\" must be a text";
      return false;
    }
    return true;
  };
  auto number = [&](const json& v, const std::string& key, uint16_t& out) {
    if (!v.is_number_integer() || v.get<int64_t>() < 0 || v.get<int64_t>() > 65535) {
      error = "\"" + key + "\" must be a whole number 0..65535";
      return false;
    }
    out = uint16_t(v.get<int64_t>());
    return true;
  };

  if (!j.contains("lines") || !j["lines"].is_array() || j["lines"].empty() || j["lines"].size() > LBL_MAX_LINES) {
    error = "\"lines\" must be a list of 1 to 4 texts";
    return false;
  }
  const size_t count = j["lines"].size();
  const json cursors = j.value("cursors", json::array());
  if (!cursors.is_array() || (!cursors.empty() && cursors.size() != count)) {
    error = "\"cursors\" must give one cursor per line";
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    std::vector<uint16_t> codes;
    const json& line = j["lines"][i];
    if (!line.is_string() || !device_utf8_to_codes(line.get<std::string>(), codes)) {
      error = "line " + std::to_string(i) + " must be a text";
      return false;
    }
    if (codes.size() > LBL_MAX_CHARS) {
      error = "line " + std::to_string(i) + " is longer than 50 characters";
      return false;
    }
    std::copy(codes.begin(), codes.end(), r.lines[i].cells);
    r.lines[i].length = uint8_t(codes.size());
    uint16_t cursor = uint16_t(codes.size());
    if (!cursors.empty() && !number(cursors[i], "cursors", cursor)) return false;
    r.lines[i].cursor = uint8_t(cursor > 255 ? 255 : cursor);
    if (cursor > LBL_MAX_CHARS) r.lines[i].cursor = 255;  // reported by the range check below
  }
  r.last_line = uint8_t(count - 1);
  uint16_t current = 0;
  if (j.contains("current_line") && !number(j["current_line"], "current_line", current)) return false;
  r.current_line = uint8_t(current > 255 ? 255 : current);

  for (const LabelField& f : kFields) {
    uint16_t v = 0;
    if (!j.contains(f.name)) {
      error = std::string("\"") + f.name + "\" is missing";
      return false;
    }
    if (!number(j[f.name], f.name, v)) return false;
    if (v < f.min || v > f.max) {
      error = std::string(f.name) + " is " + std::to_string(v) + ", outside " + std::to_string(f.min) + ".." +
              std::to_string(f.max);
      return false;
    }
    put(r, f, v);
  }

  std::vector<uint16_t> name, end;
  if (!text("name", name, false) || !text("serial_end_text", end, false)) return false;
  if (name.size() > 11 || end.size() > 3) {
    error = name.size() > 11 ? "name is longer than 11 characters" : "serial_end_text is longer than 3 characters";
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) r.file_name[i] = uint8_t(name[i] > 255 ? 0 : name[i]);
  for (size_t i = 0; i < end.size(); ++i) r.serial_end_text[i] = uint8_t(end[i] > 255 ? '?' : end[i]);
  for (uint16_t c : name)
    if (c < 32 || c > 255) {
      error = "name holds character code " + std::to_string(c) + ", outside 32..255";
      return false;
    }

  error = label_record_problem(r);
  if (!error.empty()) return false;
  r.checksum = lbl_checksum(&r);
  return true;
}
