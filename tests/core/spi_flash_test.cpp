#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/seam/flash_image.h"
#include "host/seam/spi_flash.h"

namespace fs = std::filesystem;

namespace {
std::vector<uint8_t> file_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class SpiFlash : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path image;

  void SetUp() override {
    dir = fs::temp_directory_path() / ("klx80-spi-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    image = dir / "fontData.hex";
    spi_set_path(image.string());
  }
  void TearDown() override {
    spi_set_durability(FlashDurability::SyncEachSave);
    spi_set_memory_image({});
    spi_set_path("fontData.hex");
    spi_init();
    fs::remove_all(dir);
  }
  // A 1 MiB image whose byte n is n * 7 mod 251, so that any misplaced byte shows.
  void make_image(size_t size = 0x100000) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 7 % 251);
    write_file(image, bytes);
    spi_init();
  }
};
}  // namespace

TEST_F(SpiFlash, EraseAndWriteRoundTripInMemoryAndInTheFile) {
  make_image();
  ASSERT_TRUE(spi_present());
  spi_erase_sector(0xFD000);
  std::vector<uint8_t> sector(4096, 0);
  spi_read(sector.data(), 0xFD000, 4096);
  EXPECT_EQ(sector, std::vector<uint8_t>(4096, 0xFF));

  const uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  spi_write(ten, 0xFD000, 10);
  spi_read(sector.data(), 0xFD000, 4096);
  EXPECT_TRUE(std::equal(ten, ten + 10, sector.begin()));
  EXPECT_TRUE(std::all_of(sector.begin() + 10, sector.end(), [](uint8_t b) { return b == 0xFF; }));

  // The NOR rule: a write without an erase can only clear bits.
  const uint8_t over[2] = {0xFF, 0x5A};
  spi_write(over, 0xFD000, 2);
  uint8_t back[3] = {};
  spi_read(back, 0xFD000, 3);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[1], 2 & 0x5A);
  EXPECT_EQ(back[2], 3);
  const uint8_t clear[1] = {0x00};
  spi_write(clear, 0xFD000, 1);
  spi_read(back, 0xFD000, 1);
  EXPECT_EQ(back[0], 0);

  // The file holds the same bytes, and the sectors around were not touched.
  std::vector<uint8_t> file = file_bytes(image);
  ASSERT_EQ(file.size(), 0x100000u);
  EXPECT_EQ(file[0xFD000], 0);
  EXPECT_EQ(file[0xFD001], 2);
  EXPECT_EQ(file[0xFD009], 10);
  EXPECT_EQ(file[0xFD00A], 0xFF);
  EXPECT_EQ(file[0xFCFFF], uint8_t(0xFCFFF * 7 % 251));
  EXPECT_EQ(file[0xFE000], uint8_t(0xFE000 * 7 % 251));

  // A fresh start reads what the writes left in the file.
  spi_init();
  spi_read(back, 0xFD000, 3);
  EXPECT_EQ(back[1], 2);
}

TEST_F(SpiFlash, MissingFileLeavesReadsUntouchedAndWritesCreateNothing) {
  spi_init();
  EXPECT_FALSE(spi_present());
  uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  spi_read(buffer, 0, 8);
  for (uint8_t b : buffer) EXPECT_EQ(b, 9);
  const uint8_t data[4] = {1, 2, 3, 4};
  spi_write(data, 0, 4);
  spi_erase_sector(0xF0000);
  EXPECT_FALSE(fs::exists(image));
  spi_read(buffer, 0, 8);
  EXPECT_EQ(buffer[0], 9);
}

TEST_F(SpiFlash, ADirectoryInPlaceOfTheImageCountsAsMissing) {
  fs::create_directories(image);
  spi_init();
  EXPECT_FALSE(spi_present());
  uint8_t buffer[4] = {9, 9, 9, 9};
  spi_read(buffer, 0, 4);
  EXPECT_EQ(buffer[0], 9);
  const uint8_t data[4] = {1, 2, 3, 4};
  spi_write(data, 0, 4);
  EXPECT_TRUE(fs::is_directory(image));
}

// An image of the wrong size is read as it stands, what it lacks reads as
// erased flash (no phantom files), and nothing is ever written to it.
// Short images after long ones too: the flash keeps its buffer from start to
// start, and what a short image lacks must read erased, never the last image.
TEST_F(SpiFlash, ImagesOfTheWrongSizeAreReadButNeverWritten) {
  for (size_t size : {size_t(0), size_t(1), size_t(100), size_t(0xF0000), size_t(0x100001), size_t(0), size_t(100)}) {
    make_image(size);
    ASSERT_TRUE(spi_present()) << size;
    EXPECT_FALSE(spi_writable()) << size;
    uint8_t buffer[10];
    std::fill(buffer, buffer + 10, 0xEE);
    spi_read(buffer, 0xF0000, 10);
    EXPECT_EQ(buffer[0], size > 0xF0000 ? uint8_t(0xF0000 * 7 % 251) : 0xFF) << size;
    if (size > 99) {
      spi_read(buffer, 95, 10);
      EXPECT_EQ(buffer[4], uint8_t(99 * 7 % 251));
    }
    const uint8_t data[3] = {0xA1, 0xA2, 0xA3};
    spi_write(data, 0xFD000, 3);
    spi_erase_sector(0);
    EXPECT_EQ(fs::file_size(image), size);
    std::vector<uint8_t> file = file_bytes(image);
    if (size > 0) {
      EXPECT_EQ(file[0], 0);
    }
  }
}

// The file is opened once per start; reads and writes use that one open.
// When changes reach the disk is the policy's: each write, once at close, never.
TEST_F(SpiFlash, OneOpenPerStartAndSyncsAsThePolicySays) {
  struct Row {
    FlashDurability policy;
    uint64_t syncs_after_writes, syncs_after_close;
  };
  for (const Row& row : {Row{FlashDurability::SyncEachSave, 3, 3}, Row{FlashDurability::SyncAtClose, 0, 1},
                         Row{FlashDurability::Never, 0, 0}}) {
    spi_set_durability(row.policy);
    const uint64_t opens = spi_file_opens();
    make_image();
    EXPECT_EQ(spi_file_opens(), opens + 1);
    const uint64_t syncs = spi_syncs();
    uint8_t buffer[256];
    for (uint32_t a = 0; a < 0x100000; a += 4096) spi_read(buffer, a, sizeof buffer);
    const uint8_t data[2] = {0x12, 0x34};
    spi_erase_sector(0xF0000);
    spi_write(data, 0xF0000, 2);
    spi_write(data, 0xF0010, 2);
    EXPECT_EQ(spi_file_opens(), opens + 1);
    EXPECT_EQ(spi_syncs() - syncs, row.syncs_after_writes);
    spi_close();
    EXPECT_EQ(spi_syncs() - syncs, row.syncs_after_close);
    const std::vector<uint8_t> file = file_bytes(image);
    EXPECT_EQ(file[0xF0011], 0x34);  // written through whatever the policy
    EXPECT_EQ(file[0xF0012], 0xFF);
    EXPECT_EQ(spi_save_problem(), "");
  }
}

// A file deleted or replaced while the device runs takes no changes that
// nobody could read again, and the user is told; the device runs on.
TEST_F(SpiFlash, AnImageFileGoneOrReplacedMeanwhileIsASaveProblem) {
  struct Row {
    FlashDurability policy;
    bool replace;              // moved aside and another file put at the path, else deleted
    bool told_at_write;        // else at close
    const char* says;
  };
  for (const Row& row : {Row{FlashDurability::SyncAtClose, false, true, "No such file"},
                         Row{FlashDurability::SyncEachSave, false, true, "No such file"},
                         Row{FlashDurability::SyncEachSave, true, true, "replaced by another"},
                         Row{FlashDurability::SyncAtClose, true, false, "replaced by another"}}) {
    spi_set_durability(row.policy);
    make_image();
    if (row.replace) {
      fs::rename(image, dir / "moved.hex");
      write_file(image, std::vector<uint8_t>(0x100000, 0x5A));
    } else {
      fs::remove(image);
    }
    spi_erase_sector(0xF0000);
    EXPECT_EQ(spi_save_problem().empty(), !row.told_at_write) << row.says;
    spi_close();
    EXPECT_NE(spi_save_problem().find(row.says), std::string::npos) << spi_save_problem();
    uint8_t back = 0;
    spi_read(&back, 0xF0000, 1);
    EXPECT_EQ(back, 0xFF);  // the running device keeps the change
    if (row.replace) {
      EXPECT_EQ(file_bytes(image), std::vector<uint8_t>(0x100000, 0x5A));
    }
  }
}

// Bytes in memory: a path names the file they are written back to (whole at
// the first change), no path keeps every change in memory.
TEST_F(SpiFlash, AMemoryImageWritesBackOnlyWhereAPathNamesAWholeImage) {
  std::vector<uint8_t> bytes(0x100000, 0x11);
  for (bool with_path : {true, false}) {
    write_file(image, std::vector<uint8_t>(0x100000, 0x22));
    spi_set_path(with_path ? image.string() : "");
    spi_set_memory_image(bytes);
    spi_init();
    uint8_t back = 0;
    spi_read(&back, 0x1234, 1);
    EXPECT_EQ(back, 0x11);
    EXPECT_EQ(spi_writable(), with_path);
    const uint8_t zero[1] = {0};
    spi_write(zero, 0xF0000, 1);
    spi_close();
    std::vector<uint8_t> expected(0x100000, 0x22);
    if (with_path) {
      expected = bytes;
      expected[0xF0000] = 0;
    }
    EXPECT_EQ(file_bytes(image), expected) << with_path;
    EXPECT_EQ(spi_contents()[0xF0000], 0);
  }
  spi_set_memory_image({});
}

TEST_F(SpiFlash, TemplateIsInstalledOnlyWhereNoImageExists) {
  fs::path templ = dir / "template.hex";
  write_file(templ, std::vector<uint8_t>(64, 0x42));
  EXPECT_TRUE(spi_install_template(templ.string()));
  EXPECT_EQ(file_bytes(image), std::vector<uint8_t>(64, 0x42));

  write_file(image, std::vector<uint8_t>(16, 0x17));  // the user's own image
  EXPECT_FALSE(spi_install_template(templ.string()));
  EXPECT_EQ(file_bytes(image), std::vector<uint8_t>(16, 0x17));
  EXPECT_FALSE(fs::exists(dir / "fontData.hex.install-tmp"));

  fs::remove(image);
  EXPECT_FALSE(spi_install_template((dir / "no-such-template").string()));
  EXPECT_FALSE(fs::exists(image));
}

// A user's image that is cut short or whose font data were damaged is named
// at start-up; the device still runs on it.
TEST(SpiFlashImageCheck, ShortAndDamagedImagesAreDescribed) {
  namespace fs = std::filesystem;
  fs::path path = fs::temp_directory_path() / ("klx80-check-" + std::to_string(::getpid()) + ".hex");
  std::vector<uint8_t> image(0x100000, 0xFF);
  for (size_t a = 0; a < 0x1000; ++a) image[a] = uint8_t(a * 7);
  uint32_t sum = 0;
  for (size_t a = 0; a < 0xEFFFC; ++a) sum += image[a];
  for (int k = 0; k < 4; ++k) image[0xEFFFC + k] = uint8_t(sum >> (8 * k));
  auto write = [&](size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(image.data(), 1, size, f);
    std::fclose(f);
    spi_set_path(path.string());
    spi_init();
  };
  write(image.size());
  EXPECT_EQ(spi_image_problem(), "");
  image[100] ^= 0x01;
  write(image.size());
  EXPECT_NE(spi_image_problem().find("check sum"), std::string::npos);
  write(1000);
  EXPECT_NE(spi_image_problem().find("is 1000 bytes, not a flash image of 1048576 bytes"), std::string::npos);
  fs::remove(path);
  spi_init();
  EXPECT_EQ(spi_image_problem(), "");  // a missing file has its own warning
}

// The font sum taken word by word equals the byte sum, for every length and
// for bytes that fill every lane (all 0xFF).
TEST(SpiFlashImageCheck, FontSumWordByWordEqualsTheByteSum) {
  std::vector<uint8_t> bytes(FLASH_FONT_SUM_ADDR + 9);
  for (uint8_t fill : {uint8_t(0), uint8_t(0xFF)}) {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = fill ? fill : uint8_t(i * 2654435761u >> 13);
    for (size_t length : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(9), size_t(1031), size_t(8 * 128),
                          size_t(8 * 129 + 3), size_t(FLASH_FONT_SUM_ADDR)}) {
      uint32_t expected = 0;
      for (size_t i = 0; i < length; ++i) expected += bytes[i + 1];
      EXPECT_EQ(flash_image_byte_sum(bytes.data() + 1, length), expected) << length << " " << int(fill);
    }
  }
}
