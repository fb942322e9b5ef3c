// Key scripts as a user types them, each with what the device must show or
// print afterwards: block cells at their pitch whatever the serial's width,
// service tests that end cleanly whichever way they are left, texts the
// editor refuses rather than the print cutting or rewriting them, the Func
// layer and the lamps after a material change or a settings erase, the
// endless print settling, and the screen read back as Unicode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/editor/message_ids.h"
#include "host/session/session.h"

namespace {
using nlohmann::ordered_json;

bool said(const ordered_json& state, int message) {
  for (const auto& m : state["messages"])
    if (m == message) return true;
  return false;
}
}  // namespace

TEST(ScriptOutcome, TheDeviceShowsAndPrintsWhatTheUserMeant) {
#ifndef KLX80_BUILT_IMAGE
  GTEST_SKIP() << "the font image builder is not part of this build";
#else
  namespace fs = std::filesystem;
  const fs::path image = fs::temp_directory_path() / ("klx80-outcome-" + std::to_string(getpid()) + ".hex");
  struct Case {
    const char* keys;
    uint8_t language;
    std::function<void(Session&, const ordered_json&)> check;
  };
  const std::string fourteen(14, 'I');
  const Case cases[] = {
      // Twelve 0.6" cells numbered 1..12: lead 78 and 12 x 122, whatever the
      // width of the number in a cell.
      {"LABEL DOWN ENTER RIGHT DOWN RIGHT DOWN 1 2 ENTER TEXT:1 PRINT",
       0, [](Session&, const ordered_json& s) { EXPECT_EQ(s["tape_columns"], 78 + 12 * 122); }},
      // Leaving the display test by another service command: no grey
      // background, no Func lamp without Func.
      {"ALT+D TICKS:100 ALT+X TEXT:HI",
       0, [](Session& d, const ordered_json& s) {
         EXPECT_EQ(s["lines"][0], "HI");
         EXPECT_EQ(s["lamps"]["func"], false);
         EXPECT_EQ(d.lcd_rgb()[0], 156) << "the LCD's own green";
       }},
      // Rotated text (Banner Portrait, a wire marker) takes 14 characters:
      // the 15th is refused when typed, not dropped by the print.
      {"LABEL UP UP ENTER TEXT:IIIIIIIIIIIIIIIIII",
       0, [&](Session&, const ordered_json& s) {
         EXPECT_EQ(s["lines"][0], fourteen);
         EXPECT_TRUE(said(s, MSG_CANNOT_FIT));
       }},
      {"TEXT:IIIIIIIIIIIIIIIIII", 0, [&](Session&, const ordered_json& s) { EXPECT_EQ(s["lines"][0], fourteen); }},
      // A Code 128 field refuses an accented letter; Print never rewrites it.
      {"LABEL UP ENTER FUNC 2 DOWN ENTER TEXT:AB FUNC 6 ENTER TEXT:C PRINT",
       0, [](Session&, const ordered_json& s) { EXPECT_EQ(s["lines"][0], "ABC"); }},
      // The menu a latched Func was for closes with the material: Func ends.
      {"MENU FUNC CART:2 TICKS:200 A",
       0, [](Session&, const ordered_json& s) {
         EXPECT_EQ(s["lines"][0], "A");
         EXPECT_EQ(s["func_active"], false);
       }},
      // The settings erased from the lamp walk: the editor's lamps at once.
      {"ALT+D TICKS:450 A ALT+DELETE",
       0, [](Session&, const ordered_json& s) {
         EXPECT_EQ(s["lamps"]["pt"], true);
         EXPECT_EQ(s["lamps"]["bold"], false);
         EXPECT_EQ(s["lcd_text"][3], "Erased");  // a note across the status fields reads whole
       }},
      // The burn test gives the editor back without its sample.
      {"ALT+J A",
       0, [](Session&, const ordered_json& s) {
         EXPECT_EQ(s["lines"][0], "A");
         EXPECT_FALSE(said(s, MSG_CANNOT_FIT));
       }},
      // A key the endless print does not take waits, and the run settles.
      {"TEXT:AB ALT+E PRINT K", 0, [](Session&, const ordered_json& s) { EXPECT_EQ(s["mode"], MODE_ENDLESS_GLYPHS); }},
      // The information page's last line, below the status rule.
      {"ALT+A", 0, [](Session&, const ordered_json& s) { EXPECT_EQ(s["lcd_text"][3], "V:9000"); }},
      // The screen as the LCD shows it, in Unicode.
      {"LABEL UP ENTER FUNC 2", 1,
       [](Session&, const ordered_json& s) { EXPECT_EQ(s["lcd_text"][0], "C\u00f3digo 39"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    fs::copy_file(KLX80_BUILT_IMAGE, image, fs::copy_options::overwrite_existing);
    Session device{SessionOptions(image.string())};
    device.set_settle_bound(20000);
    device.set_language(c.language);
    std::string error;
    if (!device.run_script(std::string("CART:3 ") + c.keys, error)) {
      ADD_FAILURE() << error;
      continue;
    }
    c.check(device, device.state_object());
  }
  fs::remove(image);
#endif
}
