#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "firmware/display/font.h"
#include "host/seam/spi_flash.h"

namespace fs = std::filesystem;

namespace {
// A small font store made inside the test: one table per header slot, glyphs
// placed by hand.
class StoreBuilder {
 public:
  std::vector<uint8_t> bytes = std::vector<uint8_t>(0x40000, 0);

  StoreBuilder() {
    for (int slot = 0; slot < 18; ++slot) put32(4 * slot, table(slot));
  }
  static uint32_t table(int slot) { return 0x100 + uint32_t(slot) * 0x1400; }  // 513 descriptors each
  void put32(uint32_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
  }
  void descriptor(int slot, uint32_t index, uint8_t width, uint8_t left, uint8_t right, uint32_t bitmap) {
    uint32_t at = table(slot) + 9 * index;
    bytes[at] = width;
    bytes[at + 3] = left;
    bytes[at + 4] = right;
    put32(at + 5, bitmap);
  }
  // A glyph whose inked column k has byte j equal to (seed + k * 16 + j).
  uint32_t glyph(int slot, uint32_t index, uint8_t width, uint8_t left, uint8_t right, int b, uint8_t seed) {
    uint32_t at = next;
    int inked = width - left - right;
    for (int k = 0; k < inked * b; ++k) bytes[at + k] = uint8_t(seed + (k / b) * 16 + k % b);
    next += uint32_t(inked > 0 ? inked * b : 0);
    descriptor(slot, index, width, left, right, at);
    return at;
  }
  uint32_t next = 0x18000;
};

class Font : public ::testing::Test {
 protected:
  fs::path dir;
  StoreBuilder store;

  void SetUp() override {
    dir = fs::temp_directory_path() / ("klx80-font-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    spi_set_path("fontData.hex");
    spi_init();
    font_init();
    fs::remove_all(dir);
  }
  void load() {
    fs::path p = dir / "fontData.hex";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(store.bytes.data()), std::streamsize(store.bytes.size()));
    spi_set_path(p.string());
    spi_init();
    font_init();
  }
  static std::vector<uint8_t> column(uint8_t size, uint8_t bold, uint16_t code, uint8_t c, uint8_t shift = 0,
                                     uint8_t fill = 0) {
    std::vector<uint8_t> out(17, fill);
    font_get_column(size, bold, code, c, out.data(), shift);
    return out;
  }
};
}  // namespace

TEST_F(Font, SizeZeroAndOtherNumbersReadTheSizeOneTables) {
  store.glyph(1, 'A', 9, 1, 2, 2, 0x30);  // regular size 1
  store.glyph(7, 'A', 8, 2, 1, 2, 0x50);  // bold size 1
  load();
  for (uint8_t size : {0, 7, 200}) {
    for (uint8_t bold : {0, 1}) {
      EXPECT_EQ(font_glyph_width(size, bold, 'A'), font_glyph_width(1, bold, 'A'));
      EXPECT_EQ(font_glyph_left(size, bold, 'A'), font_glyph_left(1, bold, 'A'));
      EXPECT_EQ(font_glyph_right(size, bold, 'A'), font_glyph_right(1, bold, 'A'));
      for (uint8_t c = 0; c < 10; ++c) EXPECT_EQ(column(size, bold, 'A', c), column(1, bold, 'A', c));
    }
    EXPECT_EQ(font_height(size), 16);
    EXPECT_EQ(font_column_bytes(size), 2);
  }
  EXPECT_EQ(font_glyph_width(1, 0, 'A'), 9);
  EXPECT_EQ(font_glyph_width(1, 1, 'A'), 8);
  EXPECT_EQ(column(1, 0, 'A', 1)[0], 0x30);
  EXPECT_EQ(column(1, 1, 'A', 2)[1], 0x51);
}

TEST_F(Font, HeaderSlotsByCodeSizeAndBold) {
  store.descriptor(1, 512, 11, 0, 0, 0);  // code 512: ordinary table
  store.descriptor(13, 1, 12, 0, 0, 0);   // code 513: extended glyph 1, size 1
  store.descriptor(13, 0, 99, 0, 0, 0);   // extended index 0 must never be used
  store.descriptor(0, 65, 40, 0, 0, 0);   // size 6 regular is slot 0
  store.descriptor(6, 65, 41, 0, 0, 0);   // size 6 bold is slot 6
  store.descriptor(12, 1, 42, 0, 0, 0);   // size 6 extended is slot 12
  store.descriptor(17, 40, 43, 0, 0, 0);  // size 5 extended, code 552
  load();
  EXPECT_EQ(font_glyph_width(1, 0, 512), 11);
  EXPECT_EQ(font_glyph_width(1, 0, 513), 12);
  EXPECT_EQ(font_glyph_width(1, 1, 513), 12);  // no bold extended set
  EXPECT_EQ(font_glyph_width(6, 0, 'A'), 40);
  EXPECT_EQ(font_glyph_width(6, 1, 'A'), 41);
  EXPECT_EQ(font_glyph_width(6, 1, 513), 42);
  EXPECT_EQ(font_glyph_width(5, 0, 552), 43);
}

TEST_F(Font, SizeThreeIndex57IsAlwaysCorrected) {
  store.glyph(3, 57, 10, 0, 0, 6, 0x10);
  store.glyph(15, 57, 30, 5, 5, 6, 0x20);  // extended glyph 57 of size 3 (code 569)
  store.glyph(4, 57, 10, 0, 0, 8, 0x30);
  load();
  for (uint16_t code : {57, 569}) {
    EXPECT_EQ(font_glyph_width(3, 0, code), 21);
    EXPECT_EQ(font_glyph_left(3, 0, code), 2);
    EXPECT_EQ(font_glyph_right(3, 0, code), 3);
  }
  EXPECT_EQ(column(3, 0, 57, 1)[0], 0);       // left blank column
  EXPECT_EQ(column(3, 0, 57, 2)[0], 0x10);    // first stored column
  EXPECT_EQ(font_glyph_width(4, 0, 57), 10);  // other sizes keep the store's values
  EXPECT_EQ(font_glyph_width(3, 1, 57), 21);  // bold too: index 57 of size 3
}

TEST_F(Font, ColumnsBlankAndShifted) {
  store.glyph(1, 'B', 6, 2, 1, 2, 0xA0);  // inked columns 2..4
  load();
  // Blank side columns replace out with zeros, and leave it as it was when shifted.
  for (uint8_t c : {0, 1, 5, 6, 200}) {
    std::vector<uint8_t> out = column(1, 0, 'B', c, 0, 0x5A);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0x5A);
    EXPECT_EQ(column(1, 0, 'B', c, 3, 0x5A), std::vector<uint8_t>(17, 0x5A));
  }
  std::vector<uint8_t> out = column(1, 0, 'B', 3);
  EXPECT_EQ(out[0], 0xB0);
  EXPECT_EQ(out[1], 0xB1);
  // Shift 3: the 16 bits land three bits further on, ORed into what is there.
  out = column(1, 0, 'B', 3, 3, 0x01);
  EXPECT_EQ(out[0], uint8_t(0x01 | (0xB0 >> 3)));
  EXPECT_EQ(out[1], uint8_t(0x01 | (0xB0 << 5) | (0xB1 >> 3)));
  EXPECT_EQ(out[2], uint8_t(0x01 | (0xB1 << 5)));
  EXPECT_EQ(out[3], 0x01);
}

TEST_F(Font, RowsOfALoadedString) {
  // 'I': one inked column with rows 0 and 9 set; 'L': three columns, row 0 in the
  // first, row 9 in all; ' ': width 4, nothing inked.
  uint32_t i = store.glyph(1, 'I', 3, 1, 1, 2, 0);
  store.bytes[i] = 0x02;
  store.bytes[i + 1] = 0x01;
  uint32_t l = store.glyph(1, 'L', 5, 1, 1, 2, 0);
  for (int c = 0; c < 3; ++c) {
    store.bytes[l + 2 * c] = 0x02;
    store.bytes[l + 2 * c + 1] = c == 0 ? 0x01 : 0x00;
  }
  store.descriptor(1, ' ', 4, 2, 2, 0);
  load();
  const uint16_t text[3] = {'L', ' ', 'I'};
  uint8_t x[3] = {};
  font_load_string(text, 3, 1, 0, x);
  EXPECT_EQ(x[0], 0);
  EXPECT_EQ(x[1], 5);
  EXPECT_EQ(x[2], 9);

  uint8_t row[4] = {};
  uint8_t* end = font_get_row_bits(1, 0, 'L', 0, 9, row, 6);
  EXPECT_EQ(row[0], 0x03);  // columns land at bits 6, 7 and 8
  EXPECT_EQ(row[1], 0x80);
  EXPECT_EQ(end, row + 1);
  std::fill(row, row + 4, 0);
  font_get_row_bits(1, 0, 'L', 0, 0, row, 0);
  EXPECT_EQ(row[0], 0x80);
  // A zero-inked glyph emits nothing, and so does a row below the glyph height.
  std::fill(row, row + 4, 0);
  EXPECT_EQ(font_get_row_bits(1, 0, ' ', 1, 9, row, 2), row);
  EXPECT_EQ(font_get_row_bits(1, 0, 'I', 2, 16, row, 2), row);
  EXPECT_EQ(row[0], 0);
  font_get_row_bits(1, 0, 'I', 2, 9, row, 2);
  EXPECT_EQ(row[0], 0x20);
}

TEST_F(Font, TextWidthIsAnEightBitSumOfBoldSizeOneWidths) {
  store.descriptor(7, 'W', 130, 0, 130, 0);  // bold size 1
  store.descriptor(1, 'W', 9, 0, 9, 0);      // regular, must not count
  store.descriptor(13, 1, 120, 0, 120, 0);   // extended glyph 1 (no bold variant)
  load();
  const uint16_t two[2] = {'W', 'W'};
  EXPECT_EQ(font_text_width(two, 2), 4);  // 260 wraps to 4
  EXPECT_TRUE(font_text_fits(two, 2, 4));
  EXPECT_FALSE(font_text_fits(two, 2, 3));
  const uint16_t mixed[2] = {'W', 513};
  EXPECT_EQ(font_text_width(mixed, 2), 250);
}

TEST_F(Font, ACachedGlyphIsNotReadAgainAndInitEmptiesTheCache) {
  store.descriptor(1, 'C', 7, 0, 7, 0);
  load();
  EXPECT_EQ(font_glyph_width(1, 0, 'C'), 7);
  const uint8_t changed = 5;
  spi_write(&changed, StoreBuilder::table(1) + 9 * 'C', 1);
  EXPECT_EQ(font_glyph_width(1, 0, 'C'), 7);  // still the current glyph
  EXPECT_EQ(font_glyph_width(0, 0, 'C'), 5);  // another size reads the descriptor
  font_init();
  EXPECT_EQ(font_glyph_width(1, 0, 'C'), 5);
}

TEST_F(Font, DamagedStoreDrawsBlankWithoutReadingOutOfBounds) {
  store.descriptor(1, 'a', 9, 0, 0, 0xEFFF0);     // bitmap runs past the font area
  store.descriptor(1, 'b', 9, 0, 0, 0xFFFFFFFF);  // bitmap far outside the image
  store.descriptor(1, 'c', 5, 4, 4, 0x18000);     // left + right exceed the width
  store.glyph(1, 'd', 200, 0, 0, 2, 0x11);        // wider than the 128-dot head
  store.glyph(0, 'e', 128, 0, 0, 16, 0x22);       // 2048 bytes: after 'f' overruns the string buffer
  store.glyph(0, 'f', 4, 0, 0, 16, 0x33);
  store.put32(4 * 2, 0xFFFFFFF0);  // size 2 table far outside the image
  load();
  for (uint16_t code : {'a', 'b', 'c'}) {
    EXPECT_EQ(column(1, 0, code, 3), std::vector<uint8_t>(17, 0));
    EXPECT_EQ(column(1, 0, code, 3, 5, 0x77), std::vector<uint8_t>(17, 0x77));
  }
  EXPECT_EQ(font_glyph_width(2, 0, 'A'), 0);
  EXPECT_EQ(column(2, 0, 'A', 0), std::vector<uint8_t>(17, 0));

  // Rows: every damaged glyph emits nothing; the glyphs after it still load.
  std::vector<uint8_t> row(64, 0);
  const uint16_t small[4] = {'a', 'b', 'c', 'd'};
  uint8_t x[4];
  font_load_string(small, 4, 1, 0, x);
  EXPECT_EQ(x[3], 23);
  for (uint8_t slot = 0; slot < 4; ++slot)
    EXPECT_EQ(font_get_row_bits(1, 0, small[slot], slot, 0, row.data(), 0), row.data());
  const uint16_t big[3] = {'f', 'e', 'f'};
  font_load_string(big, 3, 6, 0, x);
  EXPECT_EQ(x[2], 132);
  EXPECT_EQ(font_get_row_bits(6, 0, 'e', 1, 0, row.data(), 0), row.data());
  EXPECT_EQ(font_get_row_bits(6, 0, 'f', 2, 0, row.data(), 0), row.data());  // four columns, row 0 clear
  EXPECT_EQ(std::count(row.begin(), row.end(), 0), 64);
  font_get_row_bits(6, 0, 'f', 2, 1, row.data(), 0);  // byte 15 of each column has bit 1 set
  EXPECT_EQ(row[0], 0xF0);

  // A slot past the fifteen the buffer keeps, and the missing file, are blank too.
  const uint16_t many[16] = {'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f', 'f'};
  uint8_t xs[16];
  font_load_string(many, 16, 6, 0, xs);
  EXPECT_EQ(xs[15], 60);
  EXPECT_EQ(font_get_row_bits(6, 0, 'f', 15, 1, row.data(), 0), row.data());
  spi_set_path((dir / "missing.hex").string());
  spi_init();
  font_init();
  EXPECT_EQ(font_glyph_width(1, 0, 'A'), 0);
  EXPECT_EQ(column(1, 0, 'A', 0, 0, 0x77)[0], 0);
}

TEST_F(Font, EachThreadKeepsItsOwnGlyphAndString) {
  store.glyph(1, 'X', 4, 0, 0, 2, 0xF0);  // row 4 of its columns: 1 0 1 0
  store.glyph(1, 'Y', 4, 0, 0, 2, 0x00);  // row 4 of its columns: 0 1 0 1
  load();
  auto worker = [](uint16_t code, uint8_t expect, bool* ok) {
    const uint16_t text[2] = {code, code};
    uint8_t x[2];
    for (int round = 0; round < 2000; ++round) {
      font_load_string(text, 2, 1, 0, x);
      uint8_t row[2] = {};
      font_get_row_bits(1, 0, code, 1, 4, row, 0);
      uint8_t col[3] = {};
      font_get_column(1, 0, code, 0, col, 0);
      if (row[0] != expect || font_glyph_width(1, 0, code) != 4) *ok = false;
    }
  };
  bool ok_x = true, ok_y = true;
  std::thread a(worker, uint16_t('X'), uint8_t(0xA0), &ok_x);
  std::thread b(worker, uint16_t('Y'), uint8_t(0x50), &ok_y);
  a.join();
  b.join();
  EXPECT_TRUE(ok_x);
  EXPECT_TRUE(ok_y);
}

#ifdef KLX80_BUILT_IMAGE
namespace {
uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
}  // namespace
#endif

TEST(BuiltImage, CarriesItsSumAndEveryGlyphTheFirmwareUses) {
#ifndef KLX80_BUILT_IMAGE
  GTEST_SKIP() << "the font image builder is not part of this build";
#else
  std::ifstream in(KLX80_BUILT_IMAGE, std::ios::binary);
  std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_EQ(image.size(), 0x100000u);
  // The diagnostics flash check: bytes 0..0xEFFFB summed into 32 bits.
  uint32_t sum = 0;
  for (size_t a = 0; a < 0xEFFFC; ++a) sum += image[a];
  EXPECT_EQ(le32(image, 0xEFFFC), sum);
  for (size_t a = 0xF0000; a < 0xFF000; ++a) ASSERT_EQ(image[a], 0xFF) << a;

  // Through a copy, so that nothing can write into the build's template.
  fs::path copy = fs::temp_directory_path() / ("klx80-built-" + std::to_string(getpid()) + ".hex");
  fs::copy_file(KLX80_BUILT_IMAGE, copy, fs::copy_options::overwrite_existing);
  spi_set_path(copy.string());
  spi_init();
  font_init();
  // The LCD font: 9-dot cells, regular and bold, for ASCII and the message table's accents.
  std::vector<uint16_t> lcd;
  for (uint16_t c = 33; c < 127; ++c) lcd.push_back(c);
  for (uint16_t c : {0x81, 0x83, 0x87, 0x89, 0x8C, 0x8D, 0x96, 0xA0, 0xA2, 0xA4,
                     0xA8, 0xB0, 0xBC, 0xC4, 0xC9, 0xCA, 0xE2, 0xE4, 0xF6, 0xFD})
    lcd.push_back(c);
  for (uint16_t c : lcd) {
    for (uint8_t bold : {0, 1}) {
      EXPECT_EQ(font_glyph_width(1, bold, c), 9) << c;
      int inked = font_glyph_width(1, bold, c) - font_glyph_left(1, bold, c) - font_glyph_right(1, bold, c);
      EXPECT_GT(inked, 0) << c;
    }
  }
  EXPECT_EQ(font_glyph_width(1, 0, ' '), 9);
  // Every picker code and every extended glyph has ink in all six sizes, no
  // glyph reaches past its height, and none is wider than the head.
  std::vector<uint16_t> codes;
  for (uint16_t c = 128; c <= 253; ++c) codes.push_back(c);
  for (uint16_t c = 513; c <= 552; ++c) codes.push_back(c);
  for (uint8_t size = 1; size <= 6; ++size) {
    int b = font_column_bytes(size);
    for (uint16_t c : codes) {
      int width = font_glyph_width(size, 0, c);
      int inked = width - font_glyph_left(size, 0, c) - font_glyph_right(size, 0, c);
      EXPECT_GT(inked, 0) << "size " << int(size) << " code " << c;
      EXPECT_LE(inked, 128) << "size " << int(size) << " code " << c;
      bool any = false;
      for (int col = 0; col < width; ++col) {
        uint8_t out[17] = {};
        font_get_column(size, 0, c, uint8_t(col), out, 0);
        for (int row = font_height(size); row < 8 * b; ++row)
          EXPECT_FALSE(out[b - 1 - row / 8] & (1 << (row % 8))) << "size " << int(size) << " code " << c;
        for (int k = 0; k < b; ++k) any |= out[k] != 0;
      }
      EXPECT_TRUE(any) << "size " << int(size) << " code " << c;
    }
  }
  spi_set_path("fontData.hex");
  spi_init();
  font_init();
  fs::remove(copy);
#endif
}
