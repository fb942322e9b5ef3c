#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <utility>
#include <vector>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/engine.h"
#include "firmware/screens/diag.h"
#include "host/session/session.h"
#include "host/seam/keys.h"
#include "host/session/lcd_text.h"
#include "host/seam/mirror.h"
#include "host/seam/power.h"

namespace {
std::vector<ScriptToken> parse(const std::string& script) {
  std::vector<ScriptToken> tokens;
  std::string error;
  EXPECT_TRUE(script_parse(script, tokens, error)) << error;
  return tokens;
}

class Keys : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_init();
    ui_set_mode(MODE_EDITOR);
    kbd_init();
    key_input::reset();
    key_input::clear_queue();
    while (func_state() != 1) func_key_down(), func_key_up();
    diag_set_command(99);
  }
  void press(uint16_t vk) {
    key_input::key_down(vk);
    key_input::key_up(vk);
  }
  void alt(uint16_t vk) {
    key_input::key_down(VK_MENU_ALT);
    press(vk);
    key_input::key_up(VK_MENU_ALT);
  }
};
}  // namespace

TEST_F(Keys, TableMapsLettersDigitsAndCommandKeys) {
  for (char c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(kbd_map_pc_key(uint16_t(c)), key_letter(c));
  for (int d = 0; d <= 9; ++d) EXPECT_EQ(kbd_map_pc_key(uint16_t('0' + d)), key_digit(d));
  EXPECT_EQ(kbd_map_pc_key(VK_DELETE_KEY), KEY_DELETE);
  EXPECT_EQ(kbd_map_pc_key(VK_BACK), KEY_DELETE);
  EXPECT_EQ(kbd_map_pc_key(VK_RETURN), KEY_ENTER);
  EXPECT_EQ(kbd_map_pc_key(VK_UP_ARROW), KEY_UP);
  EXPECT_EQ(kbd_map_pc_key(VK_DOWN_ARROW), KEY_DOWN);
  EXPECT_EQ(kbd_map_pc_key(VK_LEFT_ARROW), KEY_LEFT);
  EXPECT_EQ(kbd_map_pc_key(VK_RIGHT_ARROW), KEY_RIGHT);
  EXPECT_EQ(kbd_map_pc_key(VK_CAPITAL), KEY_CAPS);
  EXPECT_EQ(kbd_map_pc_key(VK_SPACE_BAR), KEY_SPACE);
  EXPECT_EQ(kbd_map_pc_key(VK_SHIFT), KEY_FUNC);
  EXPECT_EQ(kbd_map_pc_key(96), 0);  // keypad 0
  EXPECT_EQ(kbd_map_pc_key(VK_F1), 0);
}

TEST_F(Keys, RegisterHoldsOneKeyAndIgnoresFunc) {
  kbd_put_key(KEY_A);
  kbd_put_key(KEY_FUNC);
  EXPECT_EQ(kbd_get_key(), KEY_A);
  EXPECT_EQ(kbd_get_key(), KEY_A);  // reading does not take it
  kbd_put_key(KEY_B);               // a newer key replaces one not yet taken
  EXPECT_EQ(kbd_get_key(), KEY_B);
  kbd_clear_key();
  EXPECT_EQ(kbd_get_key(), 0);
}

TEST_F(Keys, UnmappedKeyLeavesAPendingKey) {
  press('Q');
  EXPECT_EQ(kbd_get_key(), KEY_Q);
  press(VK_F12);
  EXPECT_EQ(kbd_get_key(), KEY_Q);
}

TEST_F(Keys, FunctionKeysReachTheMouseOnlyKeys) {
  const std::pair<uint16_t, uint8_t> keys[] = {
      {key_input::kMenuKey, KEY_MENU}, {key_input::kLabelKey, KEY_LABEL},
      {key_input::kFontKey, KEY_FONT}, {key_input::kPrintKey, KEY_PRINT}};
  for (auto [vk, code] : keys) {
    press(vk);
    EXPECT_EQ(kbd_get_key(), code);
    kbd_clear_key();
  }
}

// Keys typed 5 ms apart while the device takes one per 10 ms tick (and the
// print engine's cut wait may take one in between): every key arrives, in
// order, and a Func press acts on the key typed after it and on no other.
TEST_F(Keys, FastTypingLosesNoKeyAndKeepsFuncInLine) {
  std::vector<uint8_t> typed, taken;
  std::vector<int> func_at_take;
  for (int ms = 0; ms < 2000 || key_input::queued() || kbd_get_key(); ms += 5) {
    if (ms < 1000) {
      uint16_t vk = uint16_t('A' + (ms / 5) % 26);
      if (ms % 100 == 50) {
        key_input::key_down(VK_SHIFT);  // Shift tapped alone latches Func
        key_input::key_up(VK_SHIFT);
      }
      press(vk);
      typed.push_back(kbd_map_pc_key(vk));
    }
    if (ms % 10 == 0) key_input::tick();  // the tick: the stale-key clock runs too
    if (ms % 10 == 0 && kbd_get_key()) {
      taken.push_back(kbd_get_key());
      func_at_take.push_back(func_state());
      kbd_clear_key();
      func_after_key();
    }
  }
  EXPECT_EQ(taken, typed);
  for (size_t i = 0; i < taken.size(); ++i)
    EXPECT_EQ(func_at_take[i] == 1, (i * 5) % 100 != 50) << "key " << i;
}

// A key the device leaves unread (the cut pause takes only Print and Delete)
// gives way to the next after five ticks; until then the next one waits.
TEST_F(Keys, AnUnreadKeyGivesWayToTheNextAfterFiveTicks) {
  press('X');
  press('Y');
  for (int tick = 1; tick <= 5; ++tick) {
    key_input::tick();
    EXPECT_EQ(kbd_get_key(), tick < 5 ? KEY_X : KEY_Y) << tick;
  }
  EXPECT_EQ(key_input::queued(), 0u);
}

TEST_F(Keys, ShiftAutoRepeatPressesFuncOnce) {
  key_input::key_down(VK_SHIFT);
  EXPECT_EQ(func_state(), 0);
  func_after_key();               // a key taken while held
  key_input::key_down(VK_SHIFT);  // auto-repeat must not restart the press
  key_input::key_down(VK_SHIFT);
  EXPECT_EQ(func_state(), 2);
  key_input::key_up(VK_SHIFT);
  EXPECT_EQ(func_state(), 1);
  EXPECT_EQ(kbd_get_key(), 0);  // Shift itself never enters the register
}

// Shift released in another window never reaches the device window: losing
// the focus ends a Func held with Shift (lamp out), and the next letter is
// plain; a Func latched by the key picture is a deliberate state and stays.
TEST_F(Keys, FocusLostEndsAFuncHeldWithShift) {
  for (bool key_taken : {false, true}) {
    key_input::key_down(VK_SHIFT);
    if (key_taken) func_after_key();
    key_input::focus_lost();
    EXPECT_EQ(func_state(), 1) << key_taken;
    EXPECT_FALSE(mirror_lamps().func) << key_taken;
    key_input::key_up(VK_SHIFT);  // arrives after the focus came back: no effect
    EXPECT_EQ(func_state(), 1) << key_taken;
  }
  key_input::func_picture_click();
  key_input::focus_lost();
  EXPECT_EQ(func_state(), 3);
}

TEST_F(Keys, ShiftAloneLatchesFunc) {
  press(VK_SHIFT);
  EXPECT_EQ(func_state(), 3);
  EXPECT_TRUE(mirror_lamps().func);
}

TEST_F(Keys, FuncPictureClickTogglesTheLamp) {
  key_input::func_picture_click();
  EXPECT_TRUE(mirror_lamps().func);
  key_input::func_picture_click();
  EXPECT_FALSE(mirror_lamps().func);
}

TEST_F(Keys, AltCommandsEnterServiceModeWithTheirCommand) {
  struct Case {
    uint16_t vk;
    uint8_t command;
  };
  const Case cases[] = {{'A', 1},  {'B', 2},  {'C', 3},  {'D', 4},  {'E', 5},  {'F', 6},  {'G', 7},
                        {'L', 8},  {'M', 9},  {'J', 23}, {'U', 22}, {'O', 10}, {'W', 11}, {'X', 12},
                        {'Y', 14}, {'P', 17}, {'Q', 18}, {'R', 19}, {'T', 20}, {'1', 15}, {'Z', 15}};
  for (const Case& c : cases) {
    ui_set_mode(MODE_EDITOR);
    alt(c.vk);
    EXPECT_EQ(ui_get_mode(), MODE_DIAG) << char(c.vk);
    EXPECT_EQ(diag_command(), c.command) << char(c.vk);
    EXPECT_EQ(kbd_get_key(), 0) << char(c.vk);
  }
}

TEST_F(Keys, AltOneAndAltZChooseTheSpeedTest) {
  alt('Z');
  EXPECT_EQ(diag_get_speed_test(), 1);
  alt('1');
  EXPECT_EQ(diag_get_speed_test(), 0);
}

TEST_F(Keys, AltWithAnUnlistedKeyDoesNothing) {
  alt('K');
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(diag_command(), 99);
  EXPECT_EQ(kbd_get_key(), 0);
}

TEST_F(Keys, AltFlagClearsAfterACommand) {
  key_input::key_down(VK_MENU_ALT);
  key_input::key_down('Q');  // command 18, Alt flag cleared
  key_input::key_down('A');  // Alt still physically held, but the flag is gone
  EXPECT_EQ(diag_command(), 18);
  EXPECT_EQ(kbd_get_key(), KEY_A);
}

TEST_F(Keys, EscWritesCommandZeroWithoutChangingMode) {
  press(VK_ESCAPE);
  EXPECT_EQ(diag_command(), 0);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(Keys, KeyEventsRestartTheAutoOffCountButFuncClicksDoNot) {
  pwr_init();
  for (int i = 0; i < 5; ++i) pwr_task();
  key_input::func_picture_click();
  EXPECT_EQ(pwr_idle_ticks(), 5u);
  key_input::key_picture_down(KEY_MENU);
  EXPECT_EQ(pwr_idle_ticks(), 0u);
  EXPECT_EQ(kbd_get_key(), KEY_MENU);
  for (int i = 0; i < 3; ++i) pwr_task();
  key_input::key_down('A');
  EXPECT_EQ(pwr_idle_ticks(), 0u);
}

// Alt+Delete on a running device with the built image (its glyphs read the
// screen): the status line says "Erased", in the language the user had,
// until the next key, from any screen,
// and the next start-up has the factory settings (the language set before is
// gone with both copies).
TEST(ServiceErase, SaysErasedOnTheStatusLineAndTheNextStartHasFactorySettings) {
#ifndef KLX80_BUILT_IMAGE
  GTEST_SKIP() << "the font image builder is not part of this build";
#else
  namespace fs = std::filesystem;
  const fs::path image = fs::temp_directory_path() / ("klx80-erase-" + std::to_string(getpid()) + ".hex");
  struct Case {
    const char* before;  // keys before Alt+Delete
    const char* after;   // keys after it
    uint8_t language;    // in use before the erase: the note's language
    const char* status;  // the status line then, blanks dropped
  };
  const Case cases[] = {
      {"CART:3 TEXT:AB", "", 2, "Effac\xA4"},
      {"CART:3 MENU DOWN", "", 2, "Effac\xA4"},  // from a menu: back in the editor
      {"CART:3 TEXT:AB", "LEFT", 2, "W.759"},    // the next key ends the note
      {"CART:3 ALT+A", "", 2, "Effac\xA4"},      // from a service screen
      // Each language's note fits the status line.
      {"CART:3", "", 0, "Erased"},
      {"CART:3", "", 1, "Reset"},
      {"CART:3", "", 3, "Zerado"},
      {"CART:3", "", 4, "Reset"},
      {"CART:3", "", 5, "Gewist"},
  };
  for (const Case& c : cases) {
    fs::copy_file(KLX80_BUILT_IMAGE, image, fs::copy_options::overwrite_existing);
    std::string error, status;
    {
      Session device{SessionOptions(image.string())};
      uint8_t settings[10];
      prn_factory_settings(settings);
      settings[0] = c.language;
      nvm_save_device_settings(settings);
      for (const std::string& script : {std::string(c.before), std::string("ALT+DELETE"), std::string(c.after)})
        for (const ScriptToken& t : parse(script)) ASSERT_TRUE(device.run(t, error)) << error;
      const LcdText screen = LcdTextReader::from_flash().read_mirror();
      for (uint16_t code : screen.lines[3])
        if (code != ' ') status += char(code);
    }
    EXPECT_EQ(status, c.status) << c.before << " / " << c.after;
    Session restarted{SessionOptions(image.string())};
    uint8_t settings[10], factory[10] = {};
    prn_factory_settings(factory);
    EXPECT_TRUE(nvm_load_device_settings(settings));
    factory[1] = settings[1], factory[3] = settings[3];  // bytes no setting uses
    EXPECT_EQ(std::vector<uint8_t>(settings, settings + 9), std::vector<uint8_t>(factory, factory + 9))
        << c.before << " / " << c.after;
  }
  fs::remove(image);
#endif
}

// After Alt+Delete the device works with the factory settings at once: the
// information page shows them, and a head set-up made afterwards is kept.
TEST(ServiceErase, TheSettingsInUseAreTheFactoryOnesAtOnce) {
#ifndef KLX80_BUILT_IMAGE
  GTEST_SKIP() << "the font image builder is not part of this build";
#else
  namespace fs = std::filesystem;
  const fs::path image = fs::temp_directory_path() / ("klx80-erase-use-" + std::to_string(getpid()) + ".hex");
  struct Case {
    const char* keys;
    const char* page[2];  // the information page's first two lines
  };
  const Case cases[] = {
      {"ALT+DELETE ALT+A", {"PH:C   Cid:3", "Offset: 0"}},
      {"ALT+DELETE ALT+A ESC ALT+1 B TICKS:300 RIGHT ENTER TICKS:300 ALT+A", {"PH:B   Cid:3", "Offset: 1"}},
  };
  for (const Case& c : cases) {
    fs::copy_file(KLX80_BUILT_IMAGE, image, fs::copy_options::overwrite_existing);
    Session device{SessionOptions(image.string())};
    uint8_t settings[10];
    prn_factory_settings(settings);
    settings[PRN_SET_HEAD_GRADE] = 'D';
    settings[PRN_SET_LEAD] = 40;
    nvm_save_device_settings(settings);
    prn_init();
    std::string error;
    ASSERT_TRUE(device.run_script(std::string("CART:3 ") + c.keys, error)) << error;
    const std::vector<std::string> lines = device.lcd_text();
    EXPECT_EQ(lines[0], c.page[0]) << c.keys;
    EXPECT_EQ(lines[1], c.page[1]) << c.keys;
    prn_get_settings(settings);
    EXPECT_EQ(settings[PRN_SET_LEAD], 78) << c.keys;
  }
  fs::remove(image);
#endif
}
