// What the session promises every front end about a user's image: one writer
// per image, no output over the image, an input or a write-protected file, a
// failed save that fails the run, images checked for what they are, a
// language set for one run put back however it ends, and a forked child that
// leaves the parent's device alone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/files/image_lock.h"
#include "host/files/output_refusal.h"
#include "host/seam/flash_image.h"
#include "host/session/run_status.h"
#include "host/session/session.h"
#include "print_test_util.h"

namespace {
namespace fs = std::filesystem;
using Mode = ImageLock::Mode;

std::vector<uint8_t> read_all(const std::string& path) {
  std::vector<uint8_t> bytes;
  flash_image_read(path, bytes);
  return bytes;
}

class ImageSafetyTest : public print_test::DeviceTest {
 protected:
  fs::path dir;
  void SetUp() override {
    DeviceTest::SetUp();
    dir = fs::path(image).parent_path() / ("klx80_safety_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    DeviceTest::TearDown();
    fs::remove_all(dir);
  }
};

// Another program is stood in for by a lock on a descriptor of its own.
TEST_F(ImageSafetyTest, OneWriterPerImageReadersShare) {
  ImageLock other;
  EXPECT_EQ(other.acquire(image, Mode::Shared), ImageLock::Result::InUse) << "the open device is a writer";
  device.reset();
  const std::vector<uint8_t> before = read_all(image);
  const struct {
    const char* name;
    Mode held;
    bool read_only, opens;
  } cases[] = {
      {"writer on an image a writer holds", Mode::Exclusive, false, false},
      {"writer on an image a reader holds", Mode::Shared, false, false},
      {"reader on an image a writer holds (a copy, nothing written)", Mode::Exclusive, true, true},
      {"reader beside a reader", Mode::Shared, true, true},
  };
  for (const auto& c : cases) {
    ImageLock held;
    ASSERT_EQ(held.acquire(image, c.held), ImageLock::Result::Locked) << c.name;
    SessionOptions options(image);
    options.read_only = c.read_only;
    try {
      Session s(options);
      std::string error;
      ASSERT_TRUE(s.run_script("TEXT:Z", error)) << c.name << ": " << error;
      EXPECT_TRUE(c.opens) << c.name;
    } catch (const SessionError& e) {
      EXPECT_FALSE(c.opens) << c.name;
      EXPECT_TRUE(e.in_use()) << c.name;
      EXPECT_NE(std::string(e.what()).find("in use by a running klx80 program"), std::string::npos) << e.what();
    }
    EXPECT_EQ(read_all(image), before) << c.name;
  }
}

TEST_F(ImageSafetyTest, NoOutputOverTheImageAnInputOrAProtectedFile) {
  const std::string link = (dir / "link.png").string(), script = (dir / "keys.txt").string(),
                    locked = (dir / "ro.png").string(), fresh = (dir / "new.png").string();
  fs::create_symlink(image, link);
  std::ofstream(script) << "TEXT:A\n";
  std::ofstream(locked) << "kept";
  ::chmod(locked.c_str(), 0444);
  device->protect_input({"the script", script});
  const struct {
    std::string output;
    const char* says;  // "" when it is written
  } cases[] = {
      {image, "names the flash image"},
      {link, "names the flash image"},
      {(dir / ".." / fs::path(image).filename()).string(), "names the flash image"},
      {script, "names the script"},
      {locked, "is write-protected"},
      {fresh, ""},
  };
  for (const auto& c : cases) {
    std::string error;
    const uint64_t ticks = device->ticks();
    const bool ran = device->run_script("TEXT:Q SNAP:" + c.output, error);
    if (*c.says == 0) {
      EXPECT_TRUE(ran) << c.output << ": " << error;
      continue;
    }
    EXPECT_FALSE(ran) << c.output;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(device->ticks(), ticks) << c.output << ": refused before any key";
  }
  // A folder of label files that would overwrite or clear away an input.
  const auto owned = [](const std::string& name) { return name.rfind("label-", 0) == 0; };
  const std::string in_folder = (dir / "label-0001.png").string();
  fs::copy_file(image, in_folder);
  EXPECT_NE(output_folder_refusal({"--labels", dir.string()}, {{"the flash image", in_folder}}, owned), "");
  const std::string link_in_folder = (dir / "label-0002.png").string();
  fs::create_symlink(image, link_in_folder);
  EXPECT_NE(output_folder_refusal({"--labels", dir.string()}, {{"the flash image", link_in_folder}}, owned), "")
      << "the link is a name the folder's run writes";
  EXPECT_EQ(output_folder_refusal({"--labels", dir.string()}, {{"the flash image", image}}, owned), "");
}

TEST_F(ImageSafetyTest, ASaveThatFailsFailsTheRun) {
  std::string error;
  ASSERT_TRUE(device->run_script("TEXT:AB", error)) << error;
  EXPECT_EQ(run_status(*device, "test", 0), 0);
  fs::remove(image);  // the file the saves go to is gone
  device->close();    // journals the working label: the write finds no file
  EXPECT_NE(device->save_problem(), "");
  EXPECT_EQ(run_status(*device, "test", 0), 1);
  EXPECT_EQ(run_status(*device, "test", 2), 2) << "a failure already said is kept";
}

TEST_F(ImageSafetyTest, ImagesAreCheckedForWhatTheyAre) {
  device.reset();
  const std::vector<uint8_t> whole = read_all(image);
  auto with_sum = [](std::vector<uint8_t> bytes, uint8_t fill) {
    std::fill(bytes.begin(), bytes.begin() + FLASH_FONT_SUM_ADDR, fill);
    const uint32_t sum = flash_image_byte_sum(bytes.data(), FLASH_FONT_SUM_ADDR);
    for (int i = 0; i < 4; ++i) bytes[FLASH_FONT_SUM_ADDR + i] = uint8_t(sum >> (8 * i));
    return bytes;
  };
  std::vector<uint8_t> bent = whole;
  bent[100] ^= 1;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* fault;  // "" for a good image
  } cases[] = {
      {"whole", whole, ""},
      {"all zero, a 1 MiB file of zeros", std::vector<uint8_t>(FLASH_IMAGE_SIZE, 0), "all zero"},
      {"font area erased, its sum matching", with_sum(whole, 0xFF), "erased"},
      {"one font bit changed", bent, "check sum"},
      {"short", std::vector<uint8_t>(whole.begin(), whole.begin() + 0xF0000), "bytes"},
  };
  for (const auto& c : cases) {
    std::ofstream(image, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(c.bytes.data()), std::streamsize(c.bytes.size()));
    const FlashImageCheck check = flash_image_check(image);
    EXPECT_EQ(check.damaged, *c.fault != 0) << c.name << ": " << check.message;
    EXPECT_NE(check.message.find(c.fault), std::string::npos) << c.name << ": " << check.message;
    SessionOptions options(image);
    options.warn_at_open = false;
    Session s(options);
    EXPECT_EQ(s.image_faulty(), *c.fault != 0) << c.name;
  }
  SessionOptions missing((dir / "none.hex").string());
  missing.warn_at_open = false;
  EXPECT_TRUE(Session(missing).image_faulty());
}

TEST_F(ImageSafetyTest, ALanguageForOneRunIsPutBackHoweverTheRunEnds) {
  std::string error;
  ASSERT_EQ(device->language(), 0);
  device.reset();
  const struct {
    const char* name;
    const char* script;  // run after the language is set
    int then_chosen;     // a language the device itself chooses afterwards, -1 none
    int after;
  } cases[] = {
      {"a run that ends well", "TEXT:A", -1, 0},
      {"a run whose SNAP: fails (the session destroyed unclosed)", "SNAP:/nonexistent/dir/x.png", -1, 0},
      {"the device chose another itself", "TEXT:A", 3, 3},
  };
  for (const auto& c : cases) {
    {
      Session s{SessionOptions(image)};
      ASSERT_TRUE(s.set_language(2, true));
      s.run_script(c.script, error);
      if (c.then_chosen >= 0) s.set_language(uint8_t(c.then_chosen));
    }
    Session again{SessionOptions(image)};
    EXPECT_EQ(again.language(), c.after) << c.name;
    again.set_language(0);
  }
}

TEST_F(ImageSafetyTest, AForkedChildLeavesTheParentsDeviceAlone) {
  std::string error;
  ASSERT_TRUE(device->run_script("TEXT:A", error)) << error;
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(30);  // a child that waits for a worker it does not have ends here, failing the case
    device->close();
    device.reset();
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child did not end by itself";
  ASSERT_TRUE(device->run_script("TEXT:B", error)) << error;
  EXPECT_EQ(device->state_object()["lines"][0], "AB");
}
}  // namespace
