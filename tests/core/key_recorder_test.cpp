#include "host/session/key_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "firmware/kernel/key_codes.h"

TEST(KeyRecorder, InputBecomesTokensOnTheirTicks) {
  using key_input::KeyTaken;
  KeyRecorder r;
  r.start("/nonexistent/image.hex");
  r.key_down(5, 'H', {KeyTaken::DeviceKey, KEY_H});
  r.key_picture(5, KEY_ENTER);  // same tick: same line
  r.key_down(9, VK_SHIFT, {KeyTaken::FuncDown, 0});
  r.key_down(9, VK_SHIFT, {});  // Shift's auto-repeat, or a key with no meaning
  r.key_up(12, VK_SHIFT);
  r.key_up(12, 'H');
  r.key_down(20, 'Q', {KeyTaken::AltCommand, 0});
  r.key_down(21, VK_DELETE_KEY, {KeyTaken::AltCommand, 0});
  r.key_down(22, VK_ESCAPE, {KeyTaken::Escape, 0});
  r.focus_out(31);
  r.battery(41, 8.2f);  // the shortest text that reads back as the same float
  r.battery(41, 7.123456f);
  r.cartridge(50, 2);
  const std::string script = r.script(75, "a-start.hex", "a.txt");
  EXPECT_EQ(script.substr(script.find("TIMING:EXACT")),
            "TIMING:EXACT\nTICKS:5 H ENTER\nTICKS:4 SHIFT_DOWN\nTICKS:3 SHIFT_UP\nTICKS:8 ALT+Q\nTICKS:1 ALT+DELETE\n"
            "TICKS:1 ESC\nTICKS:9 FOCUS_OUT\nTICKS:10 BATT:8.2 BATT:7.123456\nTICKS:9 CART:2\nTICKS:25\n");
}

// Saving never lands on the image the device runs on, and keeps the recording
// when it cannot save.
TEST(KeyRecorder, SaveRefusesToReplaceTheRunningImage) {
  const auto dir = std::filesystem::temp_directory_path() / "klx80-recorder-test";
  std::filesystem::create_directories(dir);
  const std::string image = (dir / "rec-start.hex").string();
  std::ofstream(image) << "image";
  KeyRecorder r;
  r.start(image);
  std::string error;
  EXPECT_FALSE(r.save((dir / "rec.txt").string(), image, 10, error));  // its copy would land on it
  EXPECT_TRUE(r.recording());
  ASSERT_TRUE(r.save((dir / "other.txt").string(), image, 10, error)) << error;
  EXPECT_FALSE(r.recording());
  EXPECT_EQ(std::filesystem::file_size(dir / "other-start.hex"), 5u);
  std::filesystem::remove_all(dir);
}
