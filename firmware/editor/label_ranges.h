// The valid range and the factory value of every label setting that a menu
// sets, one row per field of the stored label record. A record read from
// flash (the working label, a file) can carry a good checksum and still hold
// values no menu can set; such a field takes its factory value on load.
#pragma once
#include <cstddef>
#include <cstdint>

struct LabelRecord;

struct LabelFieldRange {
  const char* name;
  uint16_t offset;  // byte offset in the 464-byte record
  uint8_t width;    // 1 or 2 bytes, little-endian
  uint16_t min, max, factory;
};

// The table and its length.
const LabelFieldRange* lbl_field_ranges(size_t* count);
// Sets each field outside its range to its factory value; returns how many.
int lbl_apply_field_ranges(LabelRecord* record);
