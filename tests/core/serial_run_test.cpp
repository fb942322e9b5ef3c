// Serial runs on a running device: the text step for digits and letters, the
// run's copies, pauses and refusal, what the record holds afterwards, and the
// block labels' numbered cells.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "firmware/editor/label_types.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/engine.h"
#include "firmware/print/serial_text.h"
#include "firmware/screens/popup.h"
#include "print_test_util.h"

using namespace print_test;

namespace {

class SerialRun : public DeviceTest {
 protected:
  std::string text(uint8_t line = 0) {
    const LabelLine& ln = lbl_record()->lines[line];
    std::string out;
    for (int i = 0; i < ln.length; ++i) out += char(ln.cells[i]);
    return out;
  }

  LabelRecord* serial(const std::string& line, uint8_t cls, uint16_t start, uint16_t increment, const char* end,
                      uint8_t copies = 1) {
    LabelRecord* r = set_label(LABEL_BANNER_LANDSCAPE, 1, {line.c_str()});
    r->serial_print = 1;
    r->serial_class = cls;
    r->serial_start = start;
    r->serial_increment = increment;
    std::memcpy(r->serial_end_text, end, 4);
    r->copies = copies;
    ser_reset_cache();
    return r;
  }

  std::vector<uint8_t> messages() {
    std::vector<uint8_t> ids;
    for (size_t i = 0; i < msg_popup_history_count(); ++i) ids.push_back(msg_popup_history_at(i));
    return ids;
  }
};

TEST_F(SerialRun, TextStepsByTheIncrementKeepingZerosAndGrowing) {
  struct Case {
    const char* start;
    uint8_t cls;
    uint16_t increment;
    std::vector<std::string> after;  // the text after each step
  };
  const Case cases[] = {
      {"N8", SER_CLASS_DIGITS, 2, {"N10", "N12"}},
      {"007", SER_CLASS_DIGITS, 1, {"008", "009", "010"}},
      {"099", SER_CLASS_DIGITS, 1, {"0100", "0101"}},
      {"9", SER_CLASS_DIGITS, 1, {"10"}},
      {"X99", SER_CLASS_DIGITS, 5, {"X104"}},
      {"Y", SER_CLASS_UPPER, 1, {"Z", "AA", "AB"}},
      {"AZ", SER_CLASS_UPPER, 1, {"BA"}},
      {"N-ZZ", SER_CLASS_UPPER, 1, {"N-AAA"}},
      {"y", SER_CLASS_LOWER, 3, {"ab", "ae"}},
      {"zz", SER_CLASS_LOWER, 1, {"aaa"}},
  };
  for (const Case& c : cases) {
    LabelRecord* r = serial(c.start, c.cls, 0, c.increment, "999");
    for (const std::string& want : c.after) {
      ASSERT_TRUE(ser_step_text()) << c.start << " to " << want;
      EXPECT_EQ(text(), want) << c.start;
      EXPECT_EQ(r->lines[0].cursor, want.size()) << c.start;
    }
    // serial_start holds the value the text shows, as the menu reads it.
    EXPECT_EQ(r->serial_start, ser_value_at(uint8_t(r->lines[0].cursor - 1), c.cls)) << c.start;
  }
}

TEST_F(SerialRun, TextAfterTheCursorStaysAndColumnZeroIsNoStep) {
  LabelRecord* r = serial("N9-B", SER_CLASS_DIGITS, 9, 1, "020");
  r->lines[0].cursor = 2;
  EXPECT_TRUE(ser_step_text());
  EXPECT_EQ(text(), "N10-B");
  EXPECT_EQ(r->lines[0].cursor, 3);
  r->lines[0].cursor = 0;
  EXPECT_TRUE(ser_step_text());
  EXPECT_EQ(text(), "N10-B");
}

TEST_F(SerialRun, RefusedStepsLeaveTheTextAsItWas) {
  struct Case {
    std::string start;
    uint8_t cls;
    uint16_t increment;
    std::string after;  // letters keep the steps made before the refusal
  };
  const std::string full(48, '-');
  const Case cases[] = {
      {full + "99", SER_CLASS_DIGITS, 1, full + "99"},  // 100 needs a 51st character
      {"998", SER_CLASS_DIGITS, 2, "998"},              // past 999 the number would wrap away
      {"NA", SER_CLASS_DIGITS, 1, "NA"},                // no digit to step
      {"ZZZ", SER_CLASS_UPPER, 1, "ZZZ"},               // the end of the scheme
      {"N7", SER_CLASS_UPPER, 1, "N7"},
      {full + "ZY", SER_CLASS_UPPER, 3, full + "ZZ"},  // ZY to ZZ made, ZZ to AAA refused
  };
  for (const Case& c : cases) {
    serial(c.start, c.cls, 0, c.increment, "999");
    EXPECT_FALSE(ser_step_text()) << c.start;
    EXPECT_EQ(text(), c.after) << c.start;
  }
  EXPECT_TRUE(messages().empty());  // the engine reports a refusal itself, after the job
}

TEST_F(SerialRun, ARunEndsHoldingItsLastValueWithThePrintOptionsReset) {
  LabelRecord* r = serial("N8", SER_CLASS_DIGITS, 8, 2, "012", 2);
  print();
  for (int pause = 1; pause <= 5; ++pause) {
    ASSERT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT) << pause;
    EXPECT_EQ(prn_label_copy(), 2 - pause % 2) << pause;
    key(KEY_PRINT);
  }
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(text(), "N12");
  EXPECT_EQ(r->serial_start, 12);
  EXPECT_EQ(r->serial_print, 0);
  EXPECT_EQ(r->copies, 1);
  EXPECT_EQ(ser_cache(), 0);
}

TEST_F(SerialRun, ARefusedStepEndsTheRunAfterTheValuesCopiesWithCannotFit) {
  const std::string full(49, '-');
  LabelRecord* r = serial(full + "9", SER_CLASS_DIGITS, 9, 1, "012", 2);
  print();
  key(KEY_PRINT);  // the pause after copy 1
  ASSERT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  EXPECT_EQ(prn_labels_printed(), 2);
  key(KEY_PRINT);  // the step to 10 is refused: the run ends here
  EXPECT_EQ(prn_labels_printed(), 2);
  EXPECT_EQ(messages(), (std::vector<uint8_t>{111, 111, 114}));
  EXPECT_EQ(text(), full + "9");
  EXPECT_EQ(r->serial_start, 9);
  EXPECT_EQ(r->serial_print, 0);
}

TEST_F(SerialRun, DeleteInAPauseEndsTheRunWithoutAStep) {
  LabelRecord* r = serial("A", SER_CLASS_UPPER, 0, 1, "__D");
  print();
  key(KEY_PRINT);
  EXPECT_EQ(text(), "B");
  key(KEY_DELETE);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(text(), "B");
  EXPECT_EQ(r->serial_print, 0);
  EXPECT_EQ(prn_labels_printed(), 2);
}

TEST_F(SerialRun, CopiesZeroPrintsOneLabel) {
  LabelRecord* r = set_label(LABEL_BANNER_LANDSCAPE, 1, {"A"});
  r->copies = 0;
  print();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(tape_column_count(), 78u + 10 + 78);
  EXPECT_EQ(r->copies, 1);
}

// A close during a job journals what the user has after it: the value
// reached, one copy, no serial run pending.
TEST_F(SerialRun, ClosingDuringARunJournalsTheLabelWithoutTheJob) {
  serial("N8", SER_CLASS_DIGITS, 8, 1, "012", 2);
  print();
  key(KEY_PRINT);
  key(KEY_PRINT);  // the second value's first copy: "N9"
  ASSERT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  device->close();
  LabelRecord stored;
  ASSERT_TRUE(nvm_load_working_label(&stored));
  EXPECT_EQ(stored.copies, 1);
  EXPECT_EQ(stored.serial_print, 0);
  EXPECT_EQ(stored.lines[0].length, 2);
  EXPECT_EQ(stored.lines[0].cells[1], '9');
  EXPECT_EQ(stored.serial_start, 9);
}

// ---- Terminal block and patch panel cells ----

LabelRecord* block(uint8_t type, const char* text, uint8_t cells, uint8_t serial, uint8_t copies, uint8_t spacing = 0) {
  LabelRecord* r = set_label(type, 1, {text});
  r->rotation = 0;
  r->spacing_choice = spacing;
  r->block_serial = serial;
  r->block_count = cells;
  r->copies = copies;
  return r;
}

TEST_F(SerialRun, ABlockCellStepThatNoLongerFitsLeavesThePauseShowing) {
  // Patch panel, 0.2 inch cells (41 dots): "AB99" (40 dots) fits a cell,
  // "AB100" does not.
  block(LABEL_PATCH_PANEL_IN, "AB98", 4, 1, 2, 1);
  print();
  // The pause is what the device waits for, and what the LCD shows.
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  EXPECT_EQ(prn_waiting_cut(), 1);
  EXPECT_EQ(text(), "AB98");
  key(KEY_PRINT);
  EXPECT_EQ(msg_popup_current(), MSG_CANNOT_FIT);
  EXPECT_EQ(messages(), (std::vector<uint8_t>{111, 114}));
}

TEST_F(SerialRun, AUsedUpStripPrintsACellAPrintWithoutAPause) {
  LabelRecord* r = block(LABEL_TERMINAL_BLOCK_MM, "A", 2, 0, 1);
  print();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  print();  // the strip's last cell: the pause to cut it
  EXPECT_EQ(msg_popup_current(), MSG_CUT_OR_PRINT);
  key(KEY_PRINT);
  EXPECT_EQ(r->block_count, 0);
  print();
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
  EXPECT_EQ(messages(), (std::vector<uint8_t>{111}));
  EXPECT_EQ(r->block_count, 0);
}

}  // namespace
