// Printed tapes against their goldens: labels written straight into the
// label record of a simulated device on a copy of the built flash image
// (real glyphs), printed by the engine, the tape written as PBM and compared
// with tests/golden/print/<case>/tape.pbm. `print_e2e --rebaseline` (or
// KLX80_REBASELINE=1) writes the goldens after a reviewed change.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/barcode.h"
#include "firmware/print/engine.h"
#include "firmware/print/samples.h"
#include "batch/golden.h"
#include "host/seam/cartridge.h"
#include "host/session/session.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/files/png.h"
#include "host/session/script.h"
#include "host/seam/spi_flash.h"
#include "host/files/tape_pbm.h"
#include "host/files/tape_view.h"

namespace fs = std::filesystem;

namespace {
bool g_rebaseline = false;

class PrintedTape : public ::testing::Test {
 protected:
  std::unique_ptr<Session> device;
  fs::path work;

  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    work = fs::path(KLX80_E2E_WORK) / name;
    fs::remove_all(work);
    fs::create_directories(work);
    // The build's image is never printed on: each case runs on its own copy.
    fs::copy_file(KLX80_E2E_IMAGE, work / "fontData.hex", fs::copy_options::overwrite_existing);
    device = std::make_unique<Session>(SessionOptions((work / "fontData.hex").string()));
    cart_set_id(3);
    settle();
  }

  void TearDown() override { device.reset(); }

  void settle() {
    std::string error;
    ASSERT_TRUE(device->settle(error)) << error;
  }

  LabelRecord* label(uint8_t type, uint8_t size, uint8_t bold, std::initializer_list<const char*> lines) {
    lbl_clear_text();
    LabelRecord* r = lbl_record();
    r->label_type = type;
    r->font_size = size;
    r->bold = bold;
    r->copies = 1;
    r->serial_print = 0;
    uint8_t i = 0;
    for (const char* text : lines) {
      LabelLine& ln = r->lines[i++];
      uint8_t n = 0;
      for (; text[n]; ++n) ln.cells[n] = uint8_t(text[n]);
      ln.length = ln.cursor = n;
    }
    r->last_line = r->current_line = uint8_t(i - 1);
    return r;
  }

  void print() {
    ui_set_mode(MODE_PRINT);
    settle();
    ASSERT_EQ(ui_get_mode(), MODE_EDITOR);
  }

  // The tape against tests/golden/print/<case>/tape.pbm (or another name in
  // the case's folder); a PNG of the window's picture is left beside the
  // output for a person to look at.
  void expect_tape(const std::string& golden_case, const std::string& name = "tape.pbm") {
    const fs::path actual = work / name;
    ASSERT_TRUE(tape_write_pbm(actual.string()));
    tape_write_png((work / fs::path(name).replace_extension(".png")).string(), cart_get_id());
    const fs::path expected = fs::path(KLX80_GOLDEN_DIR) / golden_case / name;
    golden::Result r = golden::compare(actual.string(), expected.string(), work.string(), g_rebaseline);
    EXPECT_TRUE(r.ok) << r.message;
  }
};

TEST_F(PrintedTape, TwoLineBannerAt20pt) {
  label(1, 4, 0, {"Server Rack 4", "Patch 12-B"});
  print();
  expect_tape("banner_two_lines_20pt");
}

TEST_F(PrintedTape, BannerPortraitAuto) {
  label(0, 0, 1, {"Rack A", "Slot 7"});
  print();
  EXPECT_EQ(lbl_record()->font_size, 0);
  expect_tape("banner_portrait");
}

TEST_F(PrintedTape, WireMarker) {
  label(27, 2, 1, {"L1-N"});  // W1.0: 203 columns
  print();
  EXPECT_EQ(tape_column_count(), 203u);
  expect_tape("wire_marker");
}

TEST_F(PrintedTape, Code39Label) {
  LabelRecord* r = label(1, 3, 0, {"ID KLX-80"});
  r->barcode_type = BC_CODE39;
  r->barcode_start = 3;
  r->barcode_length = 6;
  print();
  expect_tape("code39");
}

TEST_F(PrintedTape, Code128Label) {
  LabelRecord* r = label(1, 2, 0, {"Code 128"});
  r->barcode_type = BC_CODE128;
  r->barcode_start = 0;
  r->barcode_length = 8;
  print();
  expect_tape("code128");
}

TEST_F(PrintedTape, FixedLengthAndCopies) {
  // 50 mm (type 15), 14pt: the last of three copies is on the tape.
  LabelRecord* r = label(15, 3, 0, {"Fixed 50"});
  r->copies = 3;
  ui_set_mode(MODE_PRINT);
  settle();
  for (int pause = 0; pause < 2; ++pause) {
    ASSERT_EQ(ui_get_mode(), MODE_POPUP);
    device->press_key(KEY_PRINT);
    settle();
  }
  ASSERT_EQ(ui_get_mode(), MODE_EDITOR);
  // F, or F + 1 when the rest beside the text is odd.
  EXPECT_TRUE(tape_column_count() == 400u || tape_column_count() == 401u) << tape_column_count();
  expect_tape("fixed_length_50mm");
}

// Every built-in sample as the demonstration run prints it (no fit check: a
// sample prints as its layout places it), each on its own 3/4-inch tape.
class SampleTape : public PrintedTape, public ::testing::WithParamInterface<int> {};

TEST_P(SampleTape, OnTheThreeQuarterInchTape) {
  const int n = GetParam();
  prn_load_sample(uint8_t(n));
  print();
  char name[24];
  std::snprintf(name, sizeof name, "sample_%02d.pbm", n);
  expect_tape("samples_three_quarter_inch", name);
}
INSTANTIATE_TEST_SUITE_P(Samples, SampleTape, ::testing::Range(1, PRN_SAMPLE_COUNT + 1));

// The block samples: each cell starts exactly one pitch after the one before
// (the tape stays in step with the block however many cells it has), and the
// sample whose number is hidden behind its text prints that text in every cell.
TEST_F(PrintedTape, BlockSampleCellsKeepThePitch) {
  struct Case {
    uint8_t sample;
    size_t pitch;
    bool same_cells;
  };
  for (const Case& c : {Case{23, 122, false}, Case{24, 41, false}, Case{25, 41, true}}) {
    SCOPED_TRACE("sample " + std::to_string(c.sample));
    prn_load_sample(c.sample);
    print();
    // Cells: runs of ink apart by more than the gaps between letters.
    std::vector<std::vector<TapeColumn>> cells;
    std::vector<size_t> starts;
    size_t last_ink = 0;
    for (size_t i = 0; i < tape_column_count(); ++i) {
      TapeColumn col{};
      ASSERT_TRUE(tape_column(i, col));
      if (col == TapeColumn{}) continue;
      if (cells.empty() || i - last_ink > 20) cells.emplace_back(), starts.push_back(i);
      cells.back().resize(i - starts.back() + 1);
      cells.back().back() = col;
      last_ink = i;
    }
    ASSERT_EQ(cells.size(), 10u);
    for (size_t k = 1; k < cells.size(); ++k) {
      EXPECT_EQ(starts[k] - starts[k - 1], c.pitch) << "cell " << k;
      EXPECT_TRUE(!c.same_cells || cells[k] == cells[0]) << "cell " << k;
    }
  }
}

// The flash check on an image whose font area no longer matches its sum
// (one byte cleared, as a flash write can) ends in "Fail".
TEST_F(PrintedTape, FlashCheckFailsOnADamagedImage) {
  uint32_t at = 0x1000;
  uint8_t byte = 0;
  for (; at < 0xEFFFC; ++at) {
    spi_read(&byte, at, 1);
    if (byte) break;
  }
  const uint8_t cleared = 0;
  spi_write(&cleared, at, 1);
  std::vector<ScriptToken> tokens;
  std::string error;
  ASSERT_TRUE(script_parse("ALT+F TICKS:100", tokens, error)) << error;
  for (const ScriptToken& t : tokens) ASSERT_TRUE(device->run(t, error)) << error;
  const fs::path actual = work / "lcd.png";
  ASSERT_TRUE(png_write_rgb(actual.string(), MIRROR_WIDTH, MIRROR_HEIGHT, mirror_rgb()));
  const fs::path expected = fs::path(KLX80_GOLDEN_DIR) / "service_flash_fail" / "lcd.png";
  golden::Result r = golden::compare(actual.string(), expected.string(), work.string(), g_rebaseline);
  EXPECT_TRUE(r.ok) << r.message;
}

// Goldens written before the tapes were stored packed are plain PBM; both
// forms of one picture read the same.
TEST(GoldenPicture, PlainAndPackedPbmReadAlike) {
  const fs::path dir = fs::path(KLX80_E2E_WORK) / "pbm_forms";
  fs::create_directories(dir);
  const std::string plain = "P1\n# comment\n10 2\n1000000001\n0110\n000011\n";
  const std::string packed = std::string("P4\n10 2\n") + "\x80\x40\x60\xc0";
  std::ofstream(dir / "plain.pbm", std::ios::binary) << plain;
  std::ofstream(dir / "packed.pbm", std::ios::binary) << packed;
  std::ofstream(dir / "short.pbm", std::ios::binary) << packed.substr(0, packed.size() - 1);
  golden::Picture a, b, c;
  ASSERT_TRUE(golden::read_picture((dir / "plain.pbm").string(), a));
  ASSERT_TRUE(golden::read_picture((dir / "packed.pbm").string(), b));
  EXPECT_EQ(a.width, 10);
  EXPECT_EQ(a.height, 2);
  EXPECT_EQ(a.rgb, b.rgb);
  EXPECT_EQ(a.rgb[9 * 3], 0);         // row 0, last column black
  EXPECT_EQ(a.rgb[10 * 3 + 2], 255);  // row 1, first column white
  EXPECT_FALSE(golden::read_picture((dir / "short.pbm").string(), c));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  g_rebaseline = golden::rebaseline_from_env();
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--rebaseline") g_rebaseline = true;
  return RUN_ALL_TESTS();
}
