// klx80-flash as a whole process on copies of the built image: exit codes,
// the .bak it keeps, refusals that leave the image byte for byte as it was,
// and labels that come back out as they went in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

namespace fs = std::filesystem;

namespace {
std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FlashTool : public ::testing::Test {
 protected:
  fs::path dir, image;
  void SetUp() override {
    dir = fs::path(KLX80_E2E_WORK) / "flash_tool" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    image = dir / "fontData.hex";
    fs::copy_file(KLX80_E2E_IMAGE, image);
  }
  // "--flock-x-- ARGS" runs the tool while flock(1) holds the image;
  // "ARGS --to-dev-full--" sends its standard output to /dev/full.
  int run(std::string args, std::string* out = nullptr) {
    const fs::path log = dir / "out.txt";
    std::string holder, to = "> '" + log.string() + "' 2>&1";
    if (args.rfind("--flock-x-- ", 0) == 0) holder = "flock -x fontData.hex ", args = args.substr(12);
    if (const size_t at = args.find(" --to-dev-full--"); at != std::string::npos)
      args = args.substr(0, at), to = "2> '" + log.string() + "' > /dev/full";
    const std::string command = std::string("cd '") + dir.string() + "' && " + holder + "'" + KLX80_FLASH_TOOL +
                                "' " + args + " " + to;
    const int status = std::system(command.c_str());
    if (out) *out = read_file(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
};
}  // namespace

TEST_F(FlashTool, ExitCodesAndRefusalsLeaveTheImageAlone) {
  write("bad-range.json", R"({"format": "klx80-labels", "version": 1, "files": [{"slot": 2, "label": {"lines": ["A"],
      "font_size": 9}}]})");
  write("bad-syntax.json", "{\"format\": ");
  const std::string before = read_file(image);
  const struct {
    const char* args;
    int status;
    const char* says;
  } cases[] = {
      {"", 2, "usage"},
      {"fontData.hex frobnicate", 2, "unknown command"},
      {"fontData.hex info extra", 2, "unexpected"},
      {"export-labels fontData.hex", 2, "one JSON file"},
      {"export-labels fontData.hex fontData.hex", 2, "same file"},
      {"new fontData.hex --fast", 2, "unexpected"},
      {"import-labels fontData.hex bad-range.json", 1, "font_size is 9, outside 0..6; nothing written"},
      {"import-labels fontData.hex bad-syntax.json", 1, "not valid JSON"},
      {"import-labels fontData.hex missing.json", 1, "cannot read"},
      {"new fontData.hex", 1, "exists; give --force"},
      {"missing.hex info", 1, "cannot open"},
      {"fontData.hex info", 0, "font sum   0x"},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(run(c.args, &out), c.status) << c.args << ": " << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << ": " << out;
  }
  EXPECT_EQ(read_file(image), before);
  EXPECT_FALSE(fs::exists(dir / "fontData.hex.bak"));

  // A damaged image is described, and never written.
  std::string damaged = before;
  damaged[100] = char(damaged[100] ^ 1);
  write("fontData.hex", damaged);
  std::string out;
  EXPECT_EQ(run("fontData.hex info", &out), 1);
  EXPECT_NE(out.find("DAMAGED"), std::string::npos) << out;
  EXPECT_EQ(run("reset-settings fontData.hex", &out), 1);
  EXPECT_NE(out.find("damaged"), std::string::npos) << out;
  EXPECT_EQ(read_file(image), damaged);
  EXPECT_FALSE(fs::exists(dir / "fontData.hex.bak"));
}

TEST_F(FlashTool, LabelsGoInAndComeBackOutAndTheOldImageIsKept) {
  write("in.json", R"({"format": "klx80-labels", "version": 1,
    "working_label": {"lines": ["WORK"], "font_size": 2, "label_type": 26, "copies": 1, "serial_print": 0, "bold": 0,
      "rotation": 0, "spacing_choice": 2, "block_count": 1, "custom_spacing": 2, "block_serial": 0,
      "serial_increment": 1, "serial_last_char": 0, "serial_start": 0, "serial_class": 0, "barcode_type": 0,
      "barcode_active": 0, "barcode_length": 0, "barcode_start": 0, "units": 0},
    "files": [{"slot": 3, "label": {"name": "DEMO", "lines": ["Caf\u00a4", "2"], "cursors": [4, 4], "current_line": 0,
      "font_size": 4, "label_type": 1, "copies": 2, "serial_print": 0, "bold": 1, "rotation": 0,
      "spacing_choice": 2, "block_count": 1, "custom_spacing": 2, "block_serial": 0, "serial_increment": 1,
      "serial_last_char": 0, "serial_start": 0, "serial_class": 0, "barcode_type": 0, "barcode_active": 0,
      "barcode_length": 0, "barcode_start": 0, "units": 1, "serial_end_text": "ZZZ"}}]})");
  const std::string before = read_file(image);
  std::string out;
  ASSERT_EQ(run("import-labels fontData.hex in.json", &out), 0) << out;
  EXPECT_EQ(read_file(dir / "fontData.hex.bak"), before);
  ASSERT_EQ(run("fontData.hex export-labels out.json", &out), 0) << out;

  const nlohmann::json in = nlohmann::json::parse(read_file(dir / "in.json"));
  const nlohmann::json back = nlohmann::json::parse(read_file(dir / "out.json"));
  EXPECT_EQ(back["files"][2]["label"], in["files"][0]["label"]);
  EXPECT_EQ(back["working_label"]["lines"], in["working_label"]["lines"]);
  EXPECT_TRUE(back["files"][0]["label"].is_null());
  ASSERT_EQ(run("fontData.hex info", &out), 0) << out;
  EXPECT_NE(out.find(" 3 DEMO        type 1 BAN, size 4 (20 pt) bold, copies 2"), std::string::npos) << out;

  // Emptying the slot again, then a fresh image over it with --force.
  write("empty.json", R"({"format": "klx80-labels", "version": 1, "files": [{"slot": 3, "label": null}]})");
  ASSERT_EQ(run("import-labels fontData.hex empty.json", &out), 0) << out;
  ASSERT_EQ(run("fontData.hex export-labels out.json", &out), 0) << out;
  EXPECT_TRUE(nlohmann::json::parse(read_file(dir / "out.json"))["files"][2]["label"].is_null());
  ASSERT_EQ(run("reset-settings fontData.hex", &out), 0) << out;
  ASSERT_EQ(run("new fontData.hex --force", &out), 0) << out;
  EXPECT_EQ(read_file(image), read_file(KLX80_E2E_IMAGE));
}

// Files that are no image or must not be replaced: a link is written
// through (and stays a link), a read-only image, a pipe, a device node and an
// endless device are refused by their type, quickly, with nothing replaced.
TEST_F(FlashTool, SpecialFilesAreRefusedOrWrittenThroughNeverReplaced) {
  fs::create_symlink("fontData.hex", dir / "link.hex");
  fs::copy_file(image, dir / "ro.hex");
  fs::permissions(dir / "ro.hex", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  const std::string before = read_file(image), ro_before = read_file(dir / "ro.hex");
  const struct {
    const char* args;
    int status;
    const char* says;
  } cases[] = {
      {"reset-settings ro.hex", 1, "read-only; nothing written"},
      {"fifo info", 1, "is a pipe"},
      {"reset-settings fifo", 1, "is a pipe"},
      {"/dev/zero info", 1, "character device"},
      {"import-labels fontData.hex /dev/zero", 1, "character device"},
      {"export-labels fontData.hex /dev/full", 1, "cannot write"},
      {"export-labels fontData.hex ro.hex", 2, "write-protected"},
      {"reset-settings link.hex", 0, ""},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(run(c.args, &out), c.status) << c.args << ": " << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << ": " << out;
  }
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.hex"));
  EXPECT_EQ(read_file(dir / "ro.hex"), ro_before);
  EXPECT_TRUE(fs::exists(dir / "fontData.hex.bak"));  // the change went through the link
  EXPECT_FALSE(fs::exists(dir / "link.hex.bak"));
}

// The settings' language is named in UTF-8, not in the device's font codes.
TEST_F(FlashTool, InfoNamesTheLanguageInUtf8) {
  std::string bytes = read_file(image);
  for (const uint32_t at : {0xFD000u, 0xFF000u}) {  // the settings record and its backup
    const uint8_t record[9] = {1, 0, 100, 0, 'C', 0, 78, 78, 0xA4};  // Spanish
    uint8_t sum = 0;
    for (int i = 0; i < 9; ++i) bytes[at + i] = char(record[i]);
    for (int i = 0; i < 9; ++i) sum = uint8_t(sum + uint8_t(bytes[at + i]));
    bytes[at + 9] = char(sum);
  }
  write("fontData.hex", bytes);
  std::string out;
  ASSERT_EQ(run("fontData.hex info", &out), 0) << out;
  EXPECT_NE(out.find("language 1 (Espa\xC3\xB1ol)"), std::string::npos) << out;
}

// The lock every klx80 program takes on an image (held here by flock(1)),
// backups that never overwrite one another nor follow a link at their name,
// and a report that cannot be written is a failure.
TEST_F(FlashTool, HeldImagesBackupsAndAFullDisk) {
  const std::string before = read_file(image);
  write("labels.json", R"({"format": "klx80-labels", "version": 1, "files": []})");
  for (const char* command : {"fontData.hex reset-settings", "import-labels fontData.hex labels.json",
                              "fontData.hex info", "new fontData.hex --force"}) {
    std::string out;
    EXPECT_EQ(run(std::string("--flock-x-- ") + command, &out), 3) << command << ": " << out;
    EXPECT_NE(out.find("in use by a running klx80 program"), std::string::npos) << out;
  }
  EXPECT_EQ(read_file(image), before);

  write("victim.txt", "mine");
  fs::create_symlink("victim.txt", dir / "fontData.hex.bak");
  const struct {
    const char* command;
    const char* kept_as;
  } changes[] = {{"fontData.hex reset-settings", "fontData.hex.bak-2"},
                 {"new fontData.hex --force", "fontData.hex.bak-3"}};
  std::string kept_before = before;
  for (const auto& c : changes) {
    std::string out;
    ASSERT_EQ(run(c.command, &out), 0) << out;
    EXPECT_NE(out.find(std::string("kept as ") + c.kept_as), std::string::npos) << out;
    EXPECT_EQ(read_file(dir / c.kept_as), kept_before) << c.command;
    kept_before = read_file(image);
  }
  EXPECT_EQ(read_file(dir / "victim.txt"), "mine") << "the link at IMAGE.bak was followed";
  EXPECT_TRUE(fs::is_symlink(dir / "fontData.hex.bak"));

  if (fs::is_character_file("/dev/full")) {
    std::string out;
    EXPECT_EQ(run("fontData.hex info --to-dev-full--", &out), 1) << out;
    EXPECT_NE(out.find("cannot write to standard output"), std::string::npos) << out;
  }
}
