// What a front end without threads or exceptions (the web page) asks of the
// session: why an open would be refused, without a throw; the working label
// journalled while the device runs on, as a tab may be closed unannounced;
// the flash's write count, to copy the image when it moves.
#include <gtest/gtest.h>

#include "host/session/session.h"
#include "test_font_image.h"

namespace {

SessionOptions in_memory(std::vector<uint8_t> image) {
  SessionOptions options("");
  options.image_bytes = std::move(image);
  options.durability = FlashDurability::Never;
  return options;
}

TEST(SessionCheckpoint, TheWorkingLabelSavedWhileRunningComesBackWithoutAClose) {
  std::vector<uint8_t> image;
  {
    Session device(in_memory(test_font_image::build()));
    std::string error;
    ASSERT_TRUE(device.run_script("TEXT:HELLO", error)) << error;
    const uint64_t writes = device.flash_writes();
    ASSERT_TRUE(device.save_working_label());
    EXPECT_GT(device.flash_writes(), writes);
    ASSERT_TRUE(device.run_script("TEXT:X", error)) << error;  // typed after the save: not in the copy
    image = device.image_bytes();  // the copy a tab would have kept; then it is gone
  }
  Session device(in_memory(image));
  EXPECT_EQ(device.state_object()["lines"], nlohmann::json::array({"HELLO"}));
}

TEST(SessionCheckpoint, NothingIsSavedWhileAJobWaitsForTheCut) {
  Session device(in_memory(test_font_image::build()));
  std::string error;
  // Two copies: the device pauses for the Cut switch between them.
  ASSERT_TRUE(device.run_script("TEXT:AB FUNC PRINT 2 ENTER", error)) << error;
  ASSERT_TRUE(device.cut_waiting());
  const uint64_t writes = device.flash_writes();
  EXPECT_FALSE(device.save_working_label());
  EXPECT_EQ(device.flash_writes(), writes);
}

TEST(SessionRefusal, SaysWhatTheConstructorWouldThrow) {
  EXPECT_EQ(Session::refusal(in_memory(test_font_image::build())), "");
  const std::string short_image = Session::refusal(in_memory(std::vector<uint8_t>(5)));
  EXPECT_NE(short_image.find("not a flash image"), std::string::npos) << short_image;
  EXPECT_THROW(Session{in_memory(std::vector<uint8_t>(5))}, SessionError);
  Session live(in_memory(test_font_image::build()));
  EXPECT_NE(Session::refusal(in_memory(test_font_image::build())).find("already open"), std::string::npos);
}

}  // namespace
