// The label record as JSON: a full record survives the round trip byte for
// byte (unused bytes aside), and every kind of bad field is refused with its
// name before a record is made.
#include "host/files/label_fields.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
LabelRecord sample() {
  LabelRecord r;
  std::memset(&r, 0, sizeof r);
  const uint16_t line0[] = {'C', 'a', 'f', 0xA4, 545};
  std::memcpy(r.lines[0].cells, line0, sizeof line0);
  r.lines[0].length = 5;
  r.lines[0].cursor = 3;
  r.lines[1].cells[0] = 'X';
  r.lines[1].length = 1;
  r.lines[1].cursor = 3;
  r.last_line = 1;
  r.current_line = 0;
  r.font_size = 4;
  r.label_type = 47;
  r.copies = 12;
  r.serial_print = 1;
  r.bold = 1;
  r.rotation = 1;
  r.spacing_choice = 4;
  r.block_count = 10;
  r.custom_spacing = 7;
  r.block_serial = 1;
  r.serial_increment = 5;
  r.serial_last_char = 'A';
  r.serial_start = 18277;
  r.serial_class = 0;
  std::memcpy(r.serial_end_text, "Z_Z", 4);
  r.units = 1;
  std::memcpy(r.file_name, "DEMO 1", 7);
  r.checksum = lbl_checksum(&r);
  return r;
}
}  // namespace

TEST(LabelFields, AFullRecordSurvivesTheRoundTrip) {
  const LabelRecord r = sample();
  ASSERT_EQ(label_record_problem(r), "");
  const nlohmann::json j = nlohmann::json::parse(label_to_json(r).dump());
  LabelRecord back;
  std::string error;
  ASSERT_TRUE(label_from_json(j, back, error)) << error;
  EXPECT_EQ(std::memcmp(&back, &r, sizeof r), 0);
  EXPECT_TRUE(lbl_checksum_ok(&back));
}

TEST(LabelFields, BadFieldsAreRefusedByName) {
  const struct {
    const char* change;  // merged into the sample's JSON
    const char* error;   // part of the message
  } cases[] = {
      {R"({"copies": 100})", "copies is 100, outside 0..99"},
      {R"({"label_type": 51})", "label_type"},
      {R"({"font_size": -1})", "font_size"},
      {R"({"serial_start": 18278})", "serial_start"},
      {R"({"block_count": 0})", "block_count"},
      {R"({"bold": "yes"})", "bold"},
      {R"({"lines": []})", "lines"},
      {R"({"lines": ["a", "b", "c", "d", "e"], "cursors": [0, 0, 0, 0, 0]})", "lines"},
      {R"({"lines": ["012345678901234567890123456789012345678901234567890"], "cursors": [0]})", "longer than 50"},
      {R"({"cursors": [6, 0]})", "past the end"},
      {R"({"current_line": 2})", "current_line"},
      {R"({"name": "TWELVE CHARS"})", "name"},
      {R"({"serial_end_text": "9-9"})", "serial_end_text"},
      {R"({"lines": ["A\u0000B", "X"]})", "character code 0"},
      {R"({"lines": ["\u0300", "X"], "cursors": [0, 0]})", "character code 768"},
      {R"({"barcode_type": 1})", "one-line"},
      {R"({"barcode_length": 2})", "barcode_type is 0"},
  };
  for (const auto& c : cases) {
    nlohmann::json j = nlohmann::json::parse(label_to_json(sample()).dump());
    j.merge_patch(nlohmann::json::parse(c.change));
    LabelRecord r;
    std::string error;
    EXPECT_FALSE(label_from_json(j, r, error)) << c.change;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.change << " gave: " << error;
  }
  nlohmann::json j = label_to_json(sample());
  j.erase("units");
  LabelRecord r;
  std::string error;
  EXPECT_FALSE(label_from_json(j, r, error));
  EXPECT_EQ(error, "\"units\" is missing");
}
