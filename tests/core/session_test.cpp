// The device session every front end drives: one device per process, a clean
// device after a close, images from bytes that are never written, errors that
// name what is wrong, and the outputs a front end reads.
#include "host/session/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/seam/flash_image.h"
#include "print_test_util.h"

namespace {
namespace fs = std::filesystem;

class SessionTest : public print_test::DeviceTest {
 protected:
  std::vector<uint8_t> image_bytes() {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(flash_image_read(image, bytes));
    return bytes;
  }
};

TEST_F(SessionTest, OneDeviceAtATimeAndAFreshOneAfterClose) {
  std::string error;
  EXPECT_EQ(Session::open(SessionOptions(image), error), nullptr);
  EXPECT_NE(error.find("already open"), std::string::npos) << error;
  ASSERT_TRUE(device->run_script("TEXT:AB", error)) << error;
  EXPECT_EQ(device->state_object()["lines"][0], "AB");
  device.reset();  // journals the label, as closing the window does
  EXPECT_EQ(Session::current(), nullptr);

  Session again{SessionOptions(image)};
  ASSERT_TRUE(again.settle(error)) << error;
  EXPECT_EQ(again.state_object()["lines"][0], "AB") << "the working label comes back from the image";
  EXPECT_EQ(again.state_object()["messages"].size(), 0u);
}

TEST_F(SessionTest, RefusalsSayWhy) {
  device.reset();
  struct Case {
    SessionOptions options;
    const char* says;
  } cases[] = {
      {SessionOptions("/dev/null"), "character device, not a flash image"},
      {[] {
         SessionOptions o;
         o.image_bytes.assign(1000, 0xFF);
         return o;
       }(),
       "not a flash image"},
      {[] {
         SessionOptions o("/nonexistent/fontData.hex");
         o.refuse_missing = true;
         return o;
       }(),
       "Missing"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(Session::open(c.options, error), nullptr);
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

TEST_F(SessionTest, AnImageInMemoryIsNeverWrittenToItsFile) {
  std::vector<uint8_t> bytes = image_bytes();
  device.reset();
  const auto before = fs::last_write_time(image);
  SessionOptions options;
  options.image_path = "";
  options.image_bytes = bytes;
  {
    Session memory{options};
    std::string error;
    ASSERT_TRUE(memory.run_script("TEXT:MEM", error)) << error;
    memory.close();  // the working label journalled into memory only
    EXPECT_NE(memory.image_bytes(), bytes);
  }
  EXPECT_EQ(fs::last_write_time(image), before);
}

TEST_F(SessionTest, ScriptErrorsNameTheToken) {
  std::string error;
  EXPECT_FALSE(device->run_script("TEXT:A BOGUS", error));
  EXPECT_NE(error.find("BOGUS"), std::string::npos) << error;
}

TEST_F(SessionTest, OutputsAgreeWithEachOther) {
  device.reset();
  SessionOptions options(image);
  options.keep_labels = true;
  device = std::make_unique<Session>(options);
  std::string error;
  ASSERT_TRUE(device->run_script("TEXT:HI PRINT", error)) << error;
  const std::vector<TapeLabel> labels = device->labels();
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].width, device->tape_column_count());
  EXPECT_EQ(device->state_json(), device->state_object().dump(-1, ' ', true));
  EXPECT_EQ(device->lcd_dots().size(), size_t(LCD_FRAME_BYTES));
  EXPECT_EQ(device->lcd_rgb().size(), MIRROR_RGB_BYTES);
  EXPECT_EQ(device->tape_pbm().rfind("P4\n" + std::to_string(labels[0].width) + " 128\n", 0), 0u);
}

TEST_F(SessionTest, SerialLinesAreTypedAtTheDevicesPaceAndAnswered) {
  std::vector<std::string> replies;
  device->serial_receive("TEXT:OK\nSTATE?\n", [&](const std::string& line) { replies.push_back(line); });
  for (int n = 0; n < 2000 && replies.size() < 2; ++n) device->tick();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0], "OK");  // the keys' line done
  EXPECT_EQ(nlohmann::json::parse(replies[1])["lines"][0], "OK");
}
}  // namespace
