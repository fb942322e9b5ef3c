// Settling a session: the screen is read after what was due to be drawn, and
// a key the device shows but never takes ends the wait instead of hanging it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "host/session/session.h"

TEST(SessionSettle, ReadsTheScreenAfterWhatWasDueAndNeverHangsOnAKeptKey) {
#ifndef KLX80_BUILT_IMAGE
  GTEST_SKIP() << "the font image builder is not part of this build";
#else
  namespace fs = std::filesystem;
  const fs::path image = fs::temp_directory_path() / ("klx80-settle-" + std::to_string(getpid()) + ".hex");
  struct Case {
    const char* keys;
    const char* line;  // a text line the screen shows once settled
    int line_index;
    uint8_t mode;
  };
  const Case cases[] = {
      // The run stops on a full line: its "Cannot Fit" replaces the pause.
      {"CART:3 LABEL UP ENTER TEXT:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA9 "
       "FUNC MENU DOWN DOWN 0 1 1 ENTER PRINT PRINT",
       "Cannot Fit", 1, MODE_POPUP},
      {"ALT+W", "12345678", 0, MODE_DIAG},             // the sensor page is drawn on its 12th tick
      {"ALT+B A", "Func+X: Exit", 2, MODE_DIAG},       // the keyboard test never takes A
      {"ALT+B A FUNC X TEXT:HI", "HI", 0, MODE_EDITOR},  // and Func+X still leaves it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    fs::copy_file(KLX80_BUILT_IMAGE, image, fs::copy_options::overwrite_existing);
    Session device{SessionOptions(image.string())};
    device.set_settle_bound(2000);
    std::string error;
    ASSERT_TRUE(device.run_script(c.keys, error)) << error;
    EXPECT_EQ(ui_get_mode(), c.mode);
    EXPECT_EQ(device.lcd_text()[c.line_index], c.line);
  }
  fs::remove(image);
#endif
}
