#include "host/files/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {
std::string read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

auto writes(const std::string& text) {
  return [text](FILE* f) { return std::fwrite(text.data(), 1, text.size(), f) == text.size(); };
}

class OutputFile : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("klx80-out-" + std::to_string(::getpid()));
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
};
}  // namespace

TEST_F(OutputFile, ALinkIsWrittenThroughAndStaysALink) {
  std::ofstream(dir / "target.png") << "old";
  fs::create_symlink("target.png", dir / "link.png");
  ASSERT_TRUE(output_file_write((dir / "link.png").string(), writes("new")));
  EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
  EXPECT_EQ(read_all(dir / "target.png"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST_F(OutputFile, AFailedWriteLeavesTheOldFileOrNothing) {
  std::ofstream(dir / "kept.png") << "old";
  EXPECT_FALSE(output_file_write((dir / "kept.png").string(), [](FILE*) { return false; }));
  EXPECT_EQ(read_all(dir / "kept.png"), "old");
  EXPECT_FALSE(output_file_write((dir / "new.png").string(), [](FILE*) { return false; }));
  EXPECT_FALSE(fs::exists(dir / "new.png"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(OutputFile, ADeviceNodeIsWrittenInPlaceAndNeverReplaced) {
  EXPECT_TRUE(output_file_write("/dev/null", writes("x")));
  EXPECT_FALSE(output_file_write("/dev/full", writes(std::string(65536, 'x'))));  // the device says it is full
  struct stat st {};
  ASSERT_EQ(::stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_TRUE(output_file_same((dir / "a/../b").string(), (dir / "b").string()));
}
