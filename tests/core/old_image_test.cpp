// An image written by an earlier build of the simulator (its storage sectors
// in tests/fixtures, over a test font area) must load as that build left it:
// the working label, two files, German as the language and three cuts.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/cutter.h"
#include "host/session/session.h"
#include "host/seam/spi_flash.h"
#include "test_font_image.h"

namespace {
std::vector<uint8_t> read_gzip(const std::string& path) {
  std::vector<uint8_t> out;
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return out;
  uint8_t chunk[4096];
  int n;
  while ((n = gzread(f, chunk, sizeof chunk)) > 0) out.insert(out.end(), chunk, chunk + n);
  gzclose(f);
  return out;
}

std::string line_text(const LabelLine& line) {
  std::string s;
  for (int i = 0; i < line.length; ++i) s += char(line.cells[i]);
  return s;
}

std::string slot_name(uint8_t slot) {
  LabelRecord r;
  nvm_load_label_file(slot, &r);
  if (!lbl_checksum_ok(&r)) return "";
  return std::string(reinterpret_cast<const char*>(r.file_name));
}
}  // namespace

TEST(OldImage, AnImageFromTheFirstReleaseLoadsTheSame) {
  const std::vector<uint8_t> storage = read_gzip(KLX80_SOURCE_DIR "/tests/fixtures/image_storage_v1.bin.gz");
  ASSERT_EQ(storage.size(), 0x10000u);
  std::vector<uint8_t> image = test_font_image::build();
  std::copy(storage.begin(), storage.end(), image.begin() + 0xF0000);
  const std::string path = test_font_image::install("old_image");
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(image.data(), 1, image.size(), f);
  std::fclose(f);
  {
    Session device{SessionOptions(path)};
    std::string error;
    ASSERT_TRUE(device.settle(error)) << error;
    const LabelRecord* r = lbl_record();
    EXPECT_EQ(r->last_line, 1);
    EXPECT_EQ(line_text(r->lines[0]), "WORKING");
    EXPECT_EQ(line_text(r->lines[1]), "LABEL 2X-");
    EXPECT_EQ(r->label_type, 1);
    EXPECT_EQ(r->font_size, 3);
    EXPECT_EQ(r->copies, 1);
    const std::string names[12] = {"------ALPHA", "", "", "", "", "-------BETA"};
    for (uint8_t slot = 0; slot < 12; ++slot) EXPECT_EQ(slot_name(slot), names[slot]) << int(slot);
    EXPECT_EQ(sys_language(), 4);
    uint8_t settings[10];
    ASSERT_TRUE(nvm_load_device_settings(settings));
    const uint8_t expected[10] = {0x04, 0xFF, 0x64, 0xFF, 0x43, 0x00, 0x4E, 0x4E, 0xA4, 0xE9};
    EXPECT_TRUE(std::equal(settings, settings + 10, expected));
    EXPECT_EQ(cut_count(), 3u);
  }
  std::remove(path.c_str());
}
