#include "host/key_recorder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "firmware/kernel/key_codes.h"
#include "host/cartridge.h"
#include "host/headless.h"
#include "host/script.h"

namespace {
std::string body(const std::string& script) {  // without the opening comment
  return script.substr(script.find("TIMING:EXACT"));
}
}  // namespace

TEST(KeyRecorder, InputBecomesTokensOnTheirTicks) {
  using key_input::KeyTaken;
  KeyRecorder r;
  r.start("/nonexistent/image.hex");
  r.key_down(5, 'H', {KeyTaken::DeviceKey, KEY_H});
  r.key_picture(5, KEY_ENTER);  // same tick: same line
  r.key_down(9, VK_SHIFT, {KeyTaken::FuncDown, 0});
  r.key_down(9, VK_SHIFT, {});  // Shift's auto-repeat does nothing
  r.key_up(12, VK_SHIFT);
  r.key_up(12, 'H');
  r.key_down(20, 'Q', {KeyTaken::AltCommand, 0});
  r.key_down(21, VK_DELETE_KEY, {KeyTaken::AltCommand, 0});
  r.key_down(22, VK_ESCAPE, {KeyTaken::Escape, 0});
  r.key_down(23, VK_F1, {});  // no meaning on the device
  r.func_click(30);
  r.focus_out(31);
  r.cut(40);
  r.battery(41, 8.2f);
  r.cartridge(50, 2);
  EXPECT_EQ(body(r.script(75, "a-start.hex", "a.txt")),
            "TIMING:EXACT\n"
            "TICKS:5 H ENTER\n"
            "TICKS:4 SHIFT_DOWN\n"
            "TICKS:3 SHIFT_UP\n"
            "TICKS:8 ALT+Q\n"
            "TICKS:1 ALT+DELETE\n"
            "TICKS:1 ESC\n"
            "TICKS:8 FUNC\n"
            "TICKS:1 FOCUS_OUT\n"
            "TICKS:9 CUT\n"
            "TICKS:1 BATT:8.2\n"
            "TICKS:9 CART:2\n"
            "TICKS:25\n");
}

TEST(KeyRecorder, ScriptParsesAndVoltsReadBackExactly) {
  KeyRecorder r;
  r.start("/nonexistent/image.hex");
  const float volts[] = {6.0f, 7.123456f, 8.2f, 9.0f};
  for (int i = 0; i < 4; ++i) r.battery(uint64_t(i), volts[i]);
  std::vector<ScriptToken> tokens;
  std::string error;
  ASSERT_TRUE(script_parse(r.script(4, "x.hex", "x.txt"), tokens, error)) << error;
  int seen = 0;
  for (const ScriptToken& t : tokens)
    if (t.kind == ScriptToken::Batt) {
      EXPECT_EQ(t.volts, volts[seen]) << t.source;
      ++seen;
    }
  EXPECT_EQ(seen, 4);
}

TEST(KeyRecorder, SaveRefusesToReplaceTheRunningImage) {
  const auto dir = std::filesystem::temp_directory_path() / ("klx80-rec-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string image = (dir / "rec-start.hex").string();
  std::FILE* f = std::fopen(image.c_str(), "wb");
  std::fputs("image", f);
  std::fclose(f);
  KeyRecorder r;
  r.start(image);
  std::string error;
  EXPECT_FALSE(r.save((dir / "rec.txt").string(), image, 10, error));  // its copy would land on it
  EXPECT_NE(error.find("flash image"), std::string::npos);
  EXPECT_TRUE(r.recording());
  ASSERT_TRUE(r.save((dir / "other.txt").string(), image, 10, error)) << error;
  EXPECT_FALSE(r.recording());
  EXPECT_EQ(std::filesystem::file_size(dir / "other-start.hex"), 5u);
  std::filesystem::remove_all(dir);
}

// Exact timing: input lands on the tick the script's clock names, counted from
// the device's start, whatever its start-up took; nothing settles in between.
TEST(KeyRecorder, ExactTimingKeepsTheScriptsClock) {
  const auto dir = std::filesystem::temp_directory_path() / ("klx80-exact-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  HeadlessDevice device((dir / "none.hex").string());
  std::string error;
  ASSERT_TRUE(device.settle(error)) << error;
  std::vector<ScriptToken> tokens;
  ASSERT_TRUE(script_parse("TIMING:EXACT TICKS:40 A B TICKS:3 CART:2 TICKS:1", tokens, error)) << error;
  for (const ScriptToken& t : tokens) ASSERT_TRUE(device.run(t, error)) << error;
  EXPECT_EQ(device.ticks(), 44u);
  ASSERT_TRUE(device.finish(error)) << error;  // the material change goes on to its end
  EXPECT_EQ(cart_get_id(), 2);
  device.close();
  std::filesystem::remove_all(dir);
}
