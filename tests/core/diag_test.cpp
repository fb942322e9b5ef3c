// Service mode on a running device: commands that run once, the offset
// choice's bounds, the counter-reset sequence, the flash check, Alt commands
// typed while printing, and the sample labels.
#include <gtest/gtest.h>

#include <string>

#include "firmware/display/lcd.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/print/samples.h"
#include "firmware/print/test_prints.h"
#include "firmware/screens/diag.h"
#include "firmware/screens/popup.h"
#include "host/seam/keys.h"
#include "host/seam/spi_flash.h"
#include "print_test_util.h"

using namespace print_test;

namespace {
class Diag : public DeviceTest {
 protected:
  void alt(uint16_t vk) {
    key_input::key_down(VK_MENU_ALT);
    device->pc_key(vk);
    key_input::key_up(VK_MENU_ALT);
    settle();
  }
  std::string line_text(uint8_t line) {
    const LabelLine& l = lbl_record()->lines[line];
    std::string s;
    for (int i = 0; i < l.length; ++i) s += char(l.cells[i]);
    return s;
  }
  uint32_t cuts() {
    uint8_t c[NVM_COUNTER_BYTES] = {};
    return nvm_load_counters(c) ? c[0] : 0;
  }
};
}  // namespace

TEST_F(Diag, OffsetChoiceStaysWithinItsRangeAndIsStored) {
  diag_set_speed_test(0);
  diag_set_command(16);
  ui_set_mode(MODE_DIAG);
  settle();
  struct Step {
    uint8_t key;
    int8_t offset;
  };
  const Step steps[] = {{KEY_RIGHT, 1}, {KEY_RIGHT, 2}, {KEY_RIGHT, 3}, {KEY_RIGHT, 4}, {KEY_RIGHT, 4},
                        {KEY_A, 4},     {KEY_LEFT, 3},  {KEY_LEFT, 2},  {KEY_LEFT, 1},  {KEY_LEFT, 0},
                        {KEY_LEFT, -1}, {KEY_LEFT, -2}, {KEY_LEFT, -3}, {KEY_LEFT, -4}, {KEY_LEFT, -4}};
  for (const Step& s : steps) {
    key(s.key);
    EXPECT_EQ(diag_offset(), s.offset);
  }
  key(KEY_ENTER);  // stored, then the test label prints
  uint8_t settings[10] = {};
  prn_get_settings(settings);
  EXPECT_EQ(int8_t(settings[PRN_SET_HEAD_OFFSET]), -4);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(Diag, CountersResetOnlyAfterGKPInARow) {
  uint8_t c[NVM_COUNTER_BYTES] = {7};
  nvm_save_counters(c);
  alt('A');
  for (uint8_t k : {KEY_G, KEY_K, KEY_A, KEY_P}) key(k);
  EXPECT_EQ(cuts(), 7u);
  for (uint8_t k : {KEY_G, KEY_K, KEY_P}) key(k);
  EXPECT_EQ(cuts(), 0u);
}

TEST_F(Diag, SameCommandTwiceRunsItsEntryOnce) {
  auto top_line_inked = [] {
    for (int c = 0; c < LCD_COLUMNS; ++c)
      if (lcd_frame()[c]) return true;
    return false;
  };
  alt('A');
  lcd_clear_text();
  lcd_flush();
  diag_set_command(1);  // written again, not typed: the page is not drawn again
  settle();
  EXPECT_FALSE(top_line_inked());
  alt('A');  // typed again: a new command
  EXPECT_TRUE(top_line_inked());
}

// An Alt command typed twice runs twice: the second print starts and the
// device comes back to a keyboard that takes keys.
TEST_F(Diag, RepeatedAltCommandRunsAgain) {
  for (const uint16_t vk : {'X', 'G', 'L', 'J', 'Y', 'P', 'Q', 'R', 'T', 'U'}) {
    SCOPED_TRACE(std::string("Alt+") + char(vk));
    for (int round = 0; round < 2; ++round) {
      const uint64_t before = prn_columns_sent();
      alt(vk);
      // Prints that have no job yet say so: only the popup changes.
      const bool unbuilt = device->popup_showing() && msg_popup_current() == MSG_NOT_AVAILABLE;
      while (prn_waiting_cut() || cut_waiting()) key(KEY_DELETE);
      EXPECT_TRUE(vk == 'T' || unbuilt || prn_columns_sent() > before) << "round " << round;
    }
    while (device->popup_showing()) device->tick(20);
    ASSERT_EQ(ui_get_mode(), MODE_EDITOR);
    lbl_clear_text();
    key(KEY_A);
    EXPECT_EQ(line_text(0), "A");
  }
}

TEST_F(Diag, FuncXLeavesToTheEditorOrToTheNextTestOfTheCycle) {
  alt('A');
  device->press_key(KEY_X);  // without Func the key stays with the page
  settle();
  EXPECT_EQ(ui_get_mode(), MODE_DIAG);
  key_input::func_picture_click();
  key(KEY_X);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  alt('O');  // the cycle starts with the display test
  EXPECT_EQ(diag_command(), 4);
  device->tick(450);
  key_input::func_picture_click();
  key(KEY_X);
  EXPECT_EQ(diag_command(), 1);  // the information page comes next
}

// Leaving the display and lamp test, by Func+X at any step of the lamp walk
// or by Esc, gives the editor its own lamps and background back.
TEST_F(Diag, LeavingTheLampTestRestoresTheLampsAndTheBackground) {
  const char* scripts[] = {
      "ALT+D TICKS:450 A B FUNC X",    // Func+X where the next step would light Func
      "ALT+D TICKS:450 A B C FUNC X",  // Func+X while the walk has Func lit
      "ALT+D TICKS:450 A ESC",
      "ALT+D TICKS:100 ESC",  // all dots on
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    std::string error;
    ASSERT_TRUE(device->run_script(script, error)) << error;
    ASSERT_EQ(ui_get_mode(), MODE_EDITOR);
    EXPECT_EQ(device->lamps().func, func_is_active());
    const std::vector<uint8_t> rgb = device->lcd_rgb();
    const size_t corner = (MIRROR_WIDTH - 1) * 3;  // top right: no ink in the editor
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin() + corner, rgb.begin() + corner + 3),
              (std::vector<uint8_t>{156, 180, 145}));
  }
}

// The font area carries its byte sum after it: OK with the sum written,
// "Fail" once one byte of the area changes.
TEST_F(Diag, FlashCheckComparesTheFontAreaWithItsSum) {
  uint32_t sum = 0;
  uint8_t block[256];
  for (uint32_t a = 0; a < 0xF0000; a += 256) {
    spi_read(block, a, 256);
    for (int i = 0; i < (a == 0xEFF00 ? 252 : 256); ++i) sum += block[i];
  }
  const uint8_t stored[4] = {uint8_t(sum), uint8_t(sum >> 8), uint8_t(sum >> 16), uint8_t(sum >> 24)};
  spi_write(stored, 0xEFFFC, 4);
  auto verdict_shows = [](const char* text) {
    const std::string drawn(reinterpret_cast<const char*>(lcd_frame()) + 4 * LCD_COLUMNS, 2 * LCD_COLUMNS);
    lcd_put_text(2, 10, text, 0);
    return drawn == std::string(reinterpret_cast<const char*>(lcd_frame()) + 4 * LCD_COLUMNS, 2 * LCD_COLUMNS);
  };
  alt('F');
  device->tick(100);  // the check reads 64 blocks a tick
  EXPECT_EQ(diag_command(), 6);
  EXPECT_TRUE(verdict_shows("Flash OK"));
  // Flash writes only clear bits: damage the first byte of the area that has any set.
  uint32_t at = 0;
  uint8_t byte = 0;
  for (; at < 0xEFFFC; ++at) {
    spi_read(&byte, at, 1);
    if (byte) break;
  }
  const uint8_t damaged = 0;
  spi_write(&damaged, at, 1);
  alt('B');
  alt('F');
  device->tick(100);
  EXPECT_TRUE(verdict_shows("Fail"));
}

// An Alt command typed during a job waits for its end: the remaining copies
// print the label as it was, and the service page opens afterwards.
TEST_F(Diag, AltCommandWaitsWhilePrinting) {
  set_label(1, 1, {"HELLO"})->copies = 3;
  print();
  ASSERT_TRUE(prn_waiting_cut());
  alt('A');
  EXPECT_NE(ui_get_mode(), MODE_DIAG);
  device->pc_key('X');
  key(KEY_PRINT);
  key(KEY_PRINT);
  EXPECT_EQ(line_text(0), "HELLO");
  EXPECT_EQ(ui_get_mode(), MODE_DIAG);
  EXPECT_EQ(diag_command(), 1);
}

TEST_F(Diag, SamplesKeepTheirShortLengthsAndTheirCursor) {
  prn_load_sample(25);
  EXPECT_EQ(line_text(0), "Term");
  EXPECT_EQ(lbl_record()->lines[0].cursor, 7);
  EXPECT_EQ(lbl_record()->lines[0].cells[5], '1');  // copied past the length
  prn_load_sample(12);
  EXPECT_EQ(line_text(3).size(), 27u);
  EXPECT_EQ(lbl_record()->last_line, 3);
  prn_load_sample(1);
  EXPECT_EQ(line_text(3), "Line4: 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!\"\xA3$%^&");
}

TEST_F(Diag, TestLabelIs1600ColumnsBetweenLeadAndTrail) {
  const uint8_t lead = prn_lead_dots(), trail = prn_trail_dots();
  const uint64_t before = prn_columns_sent();
  print(MODE_DIAG_TEST_LABEL);
  EXPECT_EQ(prn_columns_sent() - before, uint64_t(lead + PRN_TEST_LABEL_COLUMNS + trail));
}

TEST_F(Diag, DemonstrationRunPrintsTheCartridgesListAndEmptiesTheLabel) {
  cart_set_id(2);
  settle();
  const uint64_t before = tape_column_count();
  print(MODE_SAMPLES_ALL);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_GT(tape_column_count(), before);
  EXPECT_TRUE(lbl_is_empty());
  int count = 0;
  for (const uint8_t* p = prn_sample_list(2); *p; ++p) ++count;
  EXPECT_EQ(count, 38);
}
