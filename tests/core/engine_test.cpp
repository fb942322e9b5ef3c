// The print engine on a running simulated device: the job frame and its feeds,
// copies with the "Cut or Print" pause, the factory prints of the engine's
// modes and the device settings it starts from. Glyphs of the synthetic font:
// 10 dots wide at 6pt (1 blank before the ink, 2 after), 14 at 9pt, 20 at 14pt.
#include <gtest/gtest.h>

#include <cstring>

#include "firmware/editor/message_ids.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "firmware/screens/popup.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "print_test_util.h"

using namespace print_test;

namespace {

class Engine : public DeviceTest {};

TEST_F(Engine, BannerLandscapeIsFramedByLeadAndTrailOf78) {
  set_label(1, 1, {"AB"});
  print();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  ASSERT_EQ(tape_column_count(), 78u + 20 + 78);
  EXPECT_EQ(inked_columns(0, 78), 0u);
  EXPECT_EQ(inked_columns(78 + 20, 176), 0u);
  // Each glyph: 1 blank column, 7 inked, 2 blank.
  EXPECT_TRUE(blank(78));
  EXPECT_FALSE(blank(79));
  EXPECT_TRUE(blank(86));
  EXPECT_FALSE(blank(89));
  EXPECT_EQ(inked_columns(78, 98), 14u);
  EXPECT_EQ(prn_printing_active(), 0);
}

TEST_F(Engine, FixedLengthLabelIsItsLengthOrOneMore) {
  // 30 mm = 240 dots: text 20, pad (240 - 176 + 1) / 2 = 32 each side.
  set_label(13, 1, {"AB"});
  print();
  EXPECT_EQ(tape_column_count(), 240u);
  EXPECT_EQ(inked_columns(0, 78 + 32), 0u);
  EXPECT_FALSE(blank(78 + 32 + 1));
  // 1.0 inch = 203 dots: pad (203 - 176 + 1) / 2 = 14, the label is 204 long.
  set_label(2, 1, {"AB"});
  print();
  EXPECT_EQ(tape_column_count(), 204u);
  EXPECT_FALSE(blank(78 + 14 + 1));
}

TEST_F(Engine, FixedLengthAutoTakesTheLargestSizeThatFitsAndReadsAutoAfterwards) {
  // F = 240: 1 char at 40pt gives 156 + 56 = 212 < 240 and 113 <= 126.
  set_label(13, 0, {"A"});
  print();
  EXPECT_EQ(lbl_record()->font_size, 0);
  EXPECT_EQ(tape_column_count(), 240u);
  auto [lo, hi] = ink_span(78 + 14 + 1);  // pad (240 - 212 + 1) / 2 = 14
  EXPECT_EQ(lo, 8);
  EXPECT_EQ(hi, 120);
  // Three characters at 40pt (324) no longer fit; 28pt gives 276, 20pt 240
  // (not shorter than F), so 14pt: 156 + 60 = 216.
  set_label(13, 0, {"AAA"});
  print();
  EXPECT_EQ(tape_column_count(), 240u);
  EXPECT_EQ(inked_columns(0, 240), 3u * 17);
}

TEST_F(Engine, WireMarkerIsExactlyItsLengthWithItsRepeats) {
  // W1.0: M = 203, one line at 9pt (25 dots): 125 / 25 = 5 repeats, no rest.
  set_label(27, 2, {"A"});
  print();
  ASSERT_EQ(tape_column_count(), 203u);
  EXPECT_EQ(inked_columns(0, 78), 0u);
  // The block repeats every 25 columns, the same columns each time.
  for (int k = 1; k < 5; ++k)
    for (int c = 0; c < 25; ++c) {
      TapeColumn a, b;
      tape_column(78 + c, a);
      tape_column(78 + 25 * k + c, b);
      ASSERT_EQ(a, b) << "repeat " << k << " column " << c;
    }
  EXPECT_EQ(inked_columns(78, 203), 125u);
  // 14pt (38 dots): 3 repeats and 11 blank columns before them.
  set_label(27, 3, {"A"});
  print();
  ASSERT_EQ(tape_column_count(), 203u);
  EXPECT_EQ(inked_columns(0, 78 + 11), 0u);
  EXPECT_EQ(inked_columns(89, 203), 114u);
}

TEST_F(Engine, Type46RepeatsTheLineAcrossTheBand) {
  // 3/4-inch band 126 / 25 = 5 copies of a 9pt line: ink over dots 2..126.
  set_label(46, 2, {"AB"});
  print();
  ASSERT_EQ(tape_column_count(), 78u + 28 + 78);
  auto [lo, hi] = ink_span(78 + 1);
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 126);
  EXPECT_EQ(dots_in(78 + 1), 125);
  // Three 40pt lines (339 dots) give no copy: Auto moves down to 14pt,
  // 126 / (3 x 38) = 1 copy.
  set_label(46, 0, {"A", "A", "A"});
  print();
  EXPECT_EQ(lbl_record()->font_size, 0);
  EXPECT_EQ(dots_in(78 + 1), 3 * 38);
}

TEST_F(Engine, Type46WithoutACopyAcrossTheBandPrintsBlankText) {
  cart_set_id(0);  // no band: no copy fits; the engine prints what it is asked
  set_label(46, 2, {"AB"});
  print();
  EXPECT_EQ(tape_column_count(), 78u + 28 + 78);
  EXPECT_EQ(inked_columns(0, 184), 0u);
}

TEST_F(Engine, TerminalBlockCellIsPaddedToItsPitchWithoutTrail) {
  // Metric, spacing 1: pitch 48; two rotated 6pt lines are 32 columns: pad 8.
  LabelRecord* r = set_label(49, 1, {"A", "B"});
  r->rotation = 1;
  r->spacing_choice = 1;
  r->block_serial = 0;
  r->block_count = 3;
  print();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  ASSERT_EQ(tape_column_count(), 78u + 8 + 32 + 8);
  EXPECT_EQ(inked_columns(0, 86), 0u);
  EXPECT_EQ(inked_columns(86, 118), 32u);
  EXPECT_EQ(inked_columns(118, 126), 0u);
  EXPECT_EQ(lbl_record()->block_count, 2);
  EXPECT_EQ(msg_popup_history_count(), 0u);
  // The last cell of the strip brings the pause.
  lbl_record()->block_count = 1;
  print();
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(lbl_record()->block_count, 0);
}

TEST_F(Engine, SerialTerminalBlockNumbersItsCellsAndStartsEveryLabelAgain) {
  LabelRecord* r = set_label(49, 1, {"A7"});
  r->rotation = 0;
  r->spacing_choice = 0;  // 64
  r->block_serial = 1;
  r->block_count = 3;
  r->copies = 2;
  print();
  ASSERT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  // Cells "A7", "A8", "A9": 20 columns of text, pad (64 - 20 + 1) / 2 = 22.
  EXPECT_EQ(tape_column_count(), 78u + 3 * (22 + 20 + 22));
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(tape_column_count(), 78u + 3 * 64);
  EXPECT_EQ(lbl_record()->lines[0].cells[0], 'A');
  EXPECT_EQ(lbl_record()->lines[0].cells[1], '7');
  EXPECT_EQ(lbl_record()->copies, 1);
  EXPECT_EQ(msg_popup_history_count(), 1u);  // no pause after the last label
}

TEST_F(Engine, ThreeCopiesPauseTwiceAndResetTheOptions) {
  LabelRecord* r = set_label(1, 1, {"A"});
  r->copies = 3;
  const uint32_t cuts = cut_count();
  print();
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  EXPECT_EQ(prn_waiting_cut(), 1);
  EXPECT_EQ(prn_labels_printed(), 1);
  EXPECT_EQ(prn_labels_total(), 3);
  key(KEY_PRINT);
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  EXPECT_EQ(prn_labels_printed(), 2);
  cut_set_done(1);  // the Cut switch
  settle();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(prn_labels_printed(), 3);
  EXPECT_EQ(msg_popup_history_count(), 2u);
  EXPECT_EQ(cut_count(), cuts + 2);
  EXPECT_EQ(lbl_record()->copies, 1);
  EXPECT_EQ(lbl_record()->serial_print, 0);
  EXPECT_EQ(tape_column_count(), 78u + 10 + 78);  // each label starts a new tape
}

TEST_F(Engine, SerialRunPrintsTheCopiesOfEveryValueWithAPauseBetweenAllLabels) {
  // Digits 8 to 12 by 2: three values, two copies each.
  LabelRecord* r = set_label(1, 1, {"N8"});
  r->serial_print = 1;
  r->serial_class = 2;
  r->serial_start = 8;
  r->serial_increment = 2;
  std::memcpy(r->serial_end_text, "012", 4);
  r->copies = 2;
  print();
  EXPECT_EQ(prn_labels_total(), 6);
  for (int pause = 1; pause <= 5; ++pause) {
    ASSERT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT) << pause;
    EXPECT_EQ(prn_labels_printed(), pause);
    key(KEY_PRINT);
  }
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(prn_labels_printed(), 6);
  EXPECT_EQ(msg_popup_history_count(), 5u);
  EXPECT_EQ(lbl_record()->serial_print, 0);
  EXPECT_EQ(lbl_record()->copies, 1);
}

TEST_F(Engine, DeleteInTheFirstPauseEndsTheJob) {
  LabelRecord* r = set_label(1, 1, {"A"});
  r->copies = 3;
  const uint64_t before = prn_columns_sent();
  const uint32_t cuts = cut_count();
  print();
  key(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(prn_labels_printed(), 1);
  EXPECT_EQ(prn_columns_sent() - before, 166u);  // one label only
  EXPECT_EQ(msg_popup_history_count(), 1u);
  EXPECT_EQ(cut_count(), cuts + 1);  // a cancel still counts as a cut
  EXPECT_EQ(lbl_record()->copies, 1);
  EXPECT_EQ(kbd_get_key(), 0);
}

TEST_F(Engine, CutMadeWhileLabelOnePrintsEndsTheFirstPauseAtOnce) {
  LabelRecord* r = set_label(1, 1, {"A"});
  r->copies = 3;
  ui_set_mode(MODE_PRINT);
  // First tick: the tick draws the progress, the worker prints label 1 and
  // waits out the end of the label (100 ms).
  device->tick(2);
  ASSERT_EQ(prn_labels_printed(), 0);
  ASSERT_EQ(tape_column_count(), 166u);
  cut_set_done(1);  // the Cut switch while label 1 is still going
  settle();
  // Label 2 printed without a key; it cleared the flag, so pause 2 waits.
  EXPECT_EQ(prn_labels_printed(), 2);
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  EXPECT_EQ(cut_get_done(), 0);
  device->tick(50);
  EXPECT_EQ(prn_labels_printed(), 2);
  key(KEY_PRINT);
  EXPECT_EQ(prn_labels_printed(), 3);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(Engine, OtherKeysStayInTheRegisterDuringThePause) {
  LabelRecord* r = set_label(1, 1, {"A"});
  r->copies = 2;
  print();
  kbd_put_key(KEY_A);
  device->tick(30);
  EXPECT_EQ(kbd_get_key(), KEY_A);
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  kbd_clear_key();
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(Engine, Ruler350Has2801ColumnsWithAMarkEvery80) {
  print(MODE_RULER_350);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  ASSERT_EQ(tape_column_count(), 78u + 2801 + 78);
  size_t marks = 0;
  for (size_t i = 0; i < tape_column_count(); ++i) {
    if (blank(i)) continue;
    ++marks;
    EXPECT_EQ((i - 78) % 80, 0u) << i;
    EXPECT_EQ(dots_in(i), 128);
  }
  EXPECT_EQ(marks, 36u);  // columns 0, 80, .., 2800
}

TEST_F(Engine, Mode26FeedsBlankTape) {
  print(MODE_FEED);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(tape_column_count(), 160u);
  EXPECT_EQ(inked_columns(0, 160), 0u);
}

TEST_F(Engine, EndlessPrintRunsUntilDeleteAndClearsTheRepeatFlag) {
  prn_set_repeat_flag(1);
  print(MODE_ENDLESS_GLYPHS);  // settles at once: the print waits for its stop
  EXPECT_EQ(ui_get_mode(), MODE_ENDLESS_GLYPHS);
  device->tick(100);
  const size_t running = tape_column_count();
  EXPECT_GT(running, 78u + 50 * 58);  // 58 columns per bold 40pt "M"
  key(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(prn_get_repeat_flag(), 0);
  EXPECT_EQ(prn_printing_active(), 0);
  EXPECT_EQ(kbd_get_key(), 0);
  // Ends with the trailing feed.
  const size_t n = tape_column_count();
  EXPECT_EQ(inked_columns(n - 78, n), 0u);
  EXPECT_EQ((n - 78 - 78) % 58, 0u);
}

TEST_F(Engine, EndlessPrintKeepsABoundedTape) {
  print(MODE_ENDLESS_GLYPHS);
  // 65536 columns are kept; run past them.
  device->tick(TAPE_MAX_COLUMNS / 58 + 50);
  EXPECT_EQ(tape_column_count(), TAPE_MAX_COLUMNS);
  EXPECT_GT(tape_dropped_columns(), 0u);
  key(KEY_PRINT);  // Print stops it too
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(tape_column_count(), TAPE_MAX_COLUMNS);
}

TEST_F(Engine, GlyphChartPrintsEveryGlyphPlainThenBold) {
  set_label(1, 1, {"A"});
  print(MODE_GLYPH_CHART);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  // Every code but 0 is 10 wide in the synthetic font, 12 in bold; the
  // extended table answers codes 512..561 alike.
  EXPECT_EQ(tape_column_count(), 78u + 254 * 10 + 50 * 10 + 254 * 12 + 78);
}

TEST_F(Engine, CutterTestPrintsTheCountUntilCancelled) {
  const uint32_t cuts = cut_count();
  print(MODE_CUTTER_TEST);
  // "NumCuts:0" four times as rotated 6pt bold text: 16 columns each, no trail.
  EXPECT_EQ(tape_column_count(), 78u + 4 * 16);
  key(KEY_PRINT);
  EXPECT_EQ(tape_column_count(), 78u + 4 * 16);
  EXPECT_EQ(ui_get_mode(), MODE_CUTTER_TEST);
  key(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(cut_count(), cuts + 2);
}

TEST_F(Engine, BannerPortraitPrintsItsLinesAlongTheTape) {
  set_label(0, 2, {"AB", "CD"});
  print();
  EXPECT_EQ(prn_printing_active(), 0);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  // Banner Portrait: lead, two rotated 9pt lines (50 columns), trail.
  EXPECT_EQ(tape_column_count(), 78u + 50 + 78);
}

// ---- Device settings ----

class Settings : public DeviceTest {};

TEST_F(Settings, BadSettingsAreReplacedByTheFactoryOnesAtStart) {
  uint8_t record[10];
  ASSERT_TRUE(nvm_load_device_settings(record));  // written at start-up
  EXPECT_EQ(record[PRN_SET_HW_LEVEL], 100);
  EXPECT_EQ(record[PRN_SET_HEAD_GRADE], 'C');
  EXPECT_EQ(record[PRN_SET_HEAD_OFFSET], 0);
  EXPECT_EQ(record[PRN_SET_LEAD], 78);
  EXPECT_EQ(record[PRN_SET_TRAIL], 78);
  EXPECT_EQ(record[PRN_SET_MAGIC], 0xA4);
  EXPECT_EQ(prn_last_energy(), 3180);  // "C", offset 0: index 6
}

TEST_F(Settings, StoredFeedsAndEnergyAreUsed) {
  uint8_t record[10] = {0, 0, 100, 0, 'A', uint8_t(-2), 40, 20, 0xA4, 0};
  nvm_save_device_settings(record);
  prn_init();
  EXPECT_EQ(prn_last_energy(), 3420);  // index 10 - 0 - 2 = 8
  set_label(1, 1, {"A"});
  print();
  EXPECT_EQ(tape_column_count(), 40u + 10 + 20);
}

TEST_F(Settings, MagicMissingMeansFactorySettingsAndAGradeOutsideTheTableStaysInIt) {
  uint8_t record[10] = {3, 0, 50, 0, 'C', 0, 10, 10, 0x00, 0};
  nvm_save_device_settings(record);
  prn_init();
  uint8_t now[10];
  prn_get_settings(now);
  EXPECT_EQ(now[PRN_SET_LEAD], 78);
  EXPECT_EQ(now[PRN_SET_LANGUAGE], 0);
  EXPECT_EQ(prn_energy_for('Z', 0), 2430);
  EXPECT_EQ(prn_energy_for('A', 4), 4170);
  EXPECT_EQ(prn_energy_for('D', -4), 2430);
}

}  // namespace
