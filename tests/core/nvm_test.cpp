#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/editor/label_ranges.h"
#include "firmware/nvm/nvm.h"
#include "host/seam/spi_flash.h"
#include "test_font_image.h"

namespace {

uint8_t marker(uint8_t entry) {
  uint8_t m = 0;
  spi_read(&m, NVM_WORKING_LABEL_ADDR + entry * NVM_WORKING_LABEL_ENTRY, 1);
  return m;
}

LabelRecord record_with(uint8_t tag) {
  LabelRecord r{};
  r.lines[0].cells[0] = tag;
  r.lines[0].length = 1;
  r.label_type = 26;
  return r;
}

class WorkingLabelJournal : public ::testing::Test {
 protected:
  void SetUp() override { test_font_image::install("nvm"); }
};

TEST_F(WorkingLabelJournal, ClosingTwiceWithoutAChangeWritesOnce) {
  LabelRecord r = record_with('A');
  nvm_save_working_label(&r);
  EXPECT_TRUE(lbl_checksum_ok(&r));  // the save stores the checksum in the record
  uint64_t writes = spi_operations();
  nvm_save_working_label(&r);
  EXPECT_EQ(spi_operations(), writes);
  EXPECT_EQ(marker(0), NVM_MARK_WRITTEN);
  EXPECT_EQ(marker(1), NVM_MARK_FREE);

  r.lines[0].cells[0] = 'B';  // a change goes into the next entry
  nvm_save_working_label(&r);
  EXPECT_EQ(marker(1), NVM_MARK_WRITTEN);
  LabelRecord loaded{};
  ASSERT_TRUE(nvm_load_working_label(&loaded));
  EXPECT_EQ(loaded.lines[0].cells[0], 'B');
}

TEST_F(WorkingLabelJournal, NineChangedSavesWrapTheSectorAndTheNewestIsFoundFromTheTop) {
  for (uint8_t i = 0; i < 8; ++i) {
    LabelRecord r = record_with(uint8_t('0' + i));
    nvm_save_working_label(&r);
  }
  for (uint8_t e = 0; e < 8; ++e) EXPECT_EQ(marker(e), NVM_MARK_WRITTEN);
  LabelRecord loaded{};
  ASSERT_TRUE(nvm_load_working_label(&loaded));
  EXPECT_EQ(loaded.lines[0].cells[0], '7');

  LabelRecord ninth = record_with('9');
  nvm_save_working_label(&ninth);
  EXPECT_EQ(marker(0), NVM_MARK_WRITTEN);
  for (uint8_t e = 1; e < 8; ++e) EXPECT_EQ(marker(e), NVM_MARK_FREE);
  ASSERT_TRUE(nvm_load_working_label(&loaded));
  EXPECT_EQ(loaded.lines[0].cells[0], '9');
}

TEST_F(WorkingLabelJournal, ADamagedNewestEntryFallsBackToTheOneBeforeIt) {
  LabelRecord untouched;
  std::memset(&untouched, 0x11, sizeof untouched);
  EXPECT_FALSE(nvm_load_working_label(&untouched));
  EXPECT_EQ(untouched.label_type, 0x11);

  LabelRecord good = record_with('G');
  nvm_save_working_label(&good);
  LabelRecord bad = record_with('X');
  bad.checksum = 12345;
  const uint8_t m = NVM_MARK_WRITTEN;
  const uint32_t entry1 = NVM_WORKING_LABEL_ADDR + NVM_WORKING_LABEL_ENTRY;
  spi_write(&m, entry1, 1);
  spi_write(reinterpret_cast<const uint8_t*>(&bad), entry1 + 1, sizeof bad);
  LabelRecord loaded{};
  ASSERT_TRUE(nvm_load_working_label(&loaded));
  EXPECT_EQ(loaded.lines[0].cells[0], 'G');

  // A record written without its marker (cut before it) is skipped too, and
  // the next save goes above it rather than over it.
  LabelRecord unmarked = record_with('U');
  unmarked.checksum = lbl_checksum(&unmarked);
  spi_write(reinterpret_cast<const uint8_t*>(&unmarked), entry1 + NVM_WORKING_LABEL_ENTRY + 1, sizeof unmarked);
  ASSERT_TRUE(nvm_load_working_label(&loaded));
  EXPECT_EQ(loaded.lines[0].cells[0], 'G');
  LabelRecord next = record_with('N');
  nvm_save_working_label(&next);
  EXPECT_EQ(marker(3), NVM_MARK_WRITTEN);
  ASSERT_TRUE(nvm_load_working_label(&loaded));
  EXPECT_EQ(loaded.lines[0].cells[0], 'N');

  // Zero bytes sum to zero: not a label.
  LabelRecord zero{};
  EXPECT_FALSE(lbl_checksum_ok(&zero));
}

TEST(DeviceSettings, ABadPrimaryIsRepairedFromTheBackup) {
  test_font_image::install("nvm_settings");
  uint8_t s[10] = {2, 0, 100, 0, 'C', 0, 78, 78, 0xA4, 0};
  nvm_save_device_settings(s);
  const uint8_t wrong_sum = 0;
  spi_write(&wrong_sum, NVM_SETTINGS_ADDR + 9, 1);
  uint8_t loaded[10] = {};
  ASSERT_TRUE(nvm_load_device_settings(loaded));
  EXPECT_EQ(std::memcmp(loaded, s, 10), 0);
  uint8_t primary[10] = {};
  spi_read(primary, NVM_SETTINGS_ADDR, 10);
  EXPECT_EQ(std::memcmp(primary, s, 10), 0);
}

}  // namespace

// Fields a menu cannot set take their factory value when a label is loaded;
// a record the device wrote itself loads unchanged.
TEST(LabelFieldRanges, OutOfRangeFieldsTakeTheirFactoryValue) {
  struct Case {
    const char* field;
    uint16_t bad, factory;
  } cases[] = {{"copies", 0, 1},          {"copies", 250, 1},         {"serial_increment", 0, 1},
               {"label_type", 51, 26},    {"font_size", 7, 2},         {"barcode_type", 3, 0},
               {"rotation", 2, 0},        {"spacing_choice", 5, 2},    {"block_count", 0, 1}};
  size_t count = 0;
  const LabelFieldRange* table = lbl_field_ranges(&count);
  for (const Case& c : cases) {
    const LabelFieldRange* f = std::find_if(table, table + count, [&](auto& r) { return !std::strcmp(r.name, c.field); });
    ASSERT_NE(f, table + count) << c.field;
    LabelRecord r = record_with('A');
    r.copies = 1;
    r.serial_increment = 1;
    r.block_count = 1;
    r.custom_spacing = 2;
    EXPECT_EQ(lbl_apply_field_ranges(&r), 0) << c.field;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&r);
    bytes[f->offset] = uint8_t(c.bad);
    if (f->width == 2) bytes[f->offset + 1] = uint8_t(c.bad >> 8);
    EXPECT_EQ(lbl_apply_field_ranges(&r), 1) << c.field;
    EXPECT_EQ(bytes[f->offset] | (f->width == 2 ? bytes[f->offset + 1] << 8 : 0), c.factory) << c.field;
  }
}
