// The tape history: one entry per label with its own columns and facts,
// labels of one sample run apart on one tape, the bound, and label type names.
#include "host/seam/tape_history.h"

#include <gtest/gtest.h>

#include <thread>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/print/engine.h"
#include "firmware/print/serial_text.h"

namespace {
// A label of n columns whose every column carries the byte mark.
void print_label(size_t n, uint8_t mark, bool new_tape = true) {
  if (new_tape) tape_begin();
  uint8_t column[TAPE_COLUMN_BYTES] = {mark};
  for (size_t i = 0; i < n; ++i) tape_add_column(column);
  tape_history_label_ended();  // what tape_end does, without its 100 ms wait
}

class TapeHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tape_init();
    tape_history_clear();
    tape_history_enable(true);
  }
  void TearDown() override {
    prn_set_sample_seq(0, 0);
    tape_history_enable(false);
    tape_history_clear();
    tape_init();
  }
};

TEST_F(TapeHistoryTest, EveryLabelKeepsItsOwnColumnsAfterTheDeviceClearsTheTape) {
  *lbl_record() = LabelRecord{};
  lbl_record()->label_type = 1;
  for (uint16_t c : {'A', 'B'}) lbl_record()->lines[0].cells[lbl_record()->lines[0].length++] = c;
  lbl_record()->lines[2].cells[lbl_record()->lines[2].length++] = '7';
  print_label(40, 0x80);
  print_label(24, 0x01);
  print_label(10, 0x02);
  prn_set_sample_seq(1, 0);  // a sample run: its next label stays on the same tape
  print_label(6, 0x04);
  EXPECT_EQ(tape_column_count(), 16u);  // the device's tape itself is as before

  struct Want {
    size_t columns;
    uint8_t last_byte;  // stored columns are turned upside down: engine byte 0 is stored byte 15, bits reversed
    uint64_t tape;
  };
  const Want want[] = {{40, 0x01, 1}, {24, 0x80, 2}, {10, 0x40, 3}, {6, 0x20, 3}};
  std::vector<TapeLabel> labels = tape_history_labels();
  ASSERT_EQ(labels.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(labels[i].number, i + 1);
    EXPECT_EQ(labels[i].columns.size(), want[i].columns);
    EXPECT_EQ(labels[i].columns.front()[15], want[i].last_byte);
    EXPECT_EQ(labels[i].columns.back()[15], want[i].last_byte);
    EXPECT_EQ(labels[i].tape, want[i].tape);
    EXPECT_EQ(labels[i].label_type, 1);
  }
  EXPECT_DOUBLE_EQ(labels[0].length_mm(), 5.0);
  EXPECT_EQ(labels[0].text, (std::vector<uint16_t>{'A', 'B', 0, 0, '7'}));  // the list names each label by its lines
  EXPECT_EQ(tape_history_labels(false)[0].text, labels[0].text);               // the list reads them without columns
  EXPECT_EQ(tape_history_current_tape(), 3u);
}

TEST_F(TapeHistoryTest, KeepsTheNewestLabelsWithinItsBound) {
  const uint64_t before = tape_history_generation();
  for (size_t i = 0; i < TAPE_HISTORY_MAX_LABELS + 5; ++i) print_label(2, 0);
  EXPECT_EQ(tape_history_count(), TAPE_HISTORY_MAX_LABELS);
  EXPECT_EQ(tape_history_dropped(), 5u);
  TapeLabel oldest;
  ASSERT_TRUE(tape_history_label(0, oldest, false));
  EXPECT_EQ(oldest.number, 6u);
  EXPECT_EQ(oldest.width, 2u);  // the length without the dots
  EXPECT_TRUE(oldest.columns.empty());
  EXPECT_NE(tape_history_generation(), before);

  // Long labels: the column bound drops the oldest labels but never the last.
  tape_history_clear();
  const size_t big = TAPE_MAX_COLUMNS;
  for (int i = 0; i < 17; ++i) print_label(big, 0);
  EXPECT_EQ(tape_history_count(), TAPE_HISTORY_MAX_COLUMNS / big);
  EXPECT_EQ(tape_history_dropped(), 17u - TAPE_HISTORY_MAX_COLUMNS / big);
  EXPECT_NE(tape_history_bound_text().find("1000 labels, up to 131 m"), std::string::npos);
}

TEST_F(TapeHistoryTest, TheWindowReadsWhileTheWorkerAddsLabels) {
  std::thread worker([] {
    for (int i = 0; i < 300; ++i) print_label(20, uint8_t(i));
  });
  size_t seen = 0;
  while (seen < 300) {
    std::vector<TapeLabel> labels = tape_history_labels(seen % 2 == 0);
    for (const TapeLabel& l : labels) ASSERT_EQ(l.width, 20u);
    seen = labels.size();
  }
  worker.join();
  EXPECT_EQ(tape_history_count(), 300u);
}

TEST_F(TapeHistoryTest, KeepsNothingUnlessEnabled) {
  tape_history_enable(false);
  print_label(5, 0);
  EXPECT_EQ(tape_history_count(), 0u);
  TapeLabel label;
  EXPECT_FALSE(tape_history_label(0, label));
}

TEST(TapeLabelTypeName, NamesEveryKindOfType) {
  const std::pair<uint8_t, const char*> cases[] = {
      {0, "Banner portrait"}, {1, "Banner landscape"}, {3, "Fixed 1.5 in"},        {13, "Fixed 30 mm"},
      {25, "Fixed 150 mm"},   {26, "Wire 0.75 in"},    {41, "Wire 65 mm"},         {46, "Self-laminating wire"},
      {47, "Terminal block (in)"}, {50, "Patch panel (mm)"}, {51, "Type 51"},
  };
  for (auto [type, name] : cases) EXPECT_EQ(tape_label_type_name(type), name) << int(type);
}
}  // namespace

// Where the label that just ended starts on its tape, for the tape's Ended
// listeners, with the history kept or not: a sample run's labels follow one
// another on one tape.
TEST_F(TapeHistoryTest, TheEndedLabelStartsAfterTheOneBeforeOnItsTape) {
  for (const bool enabled : {false, true}) {
    tape_history_enable(enabled);
    const struct {
      size_t columns;
      bool new_tape;
      size_t first;
    } steps[] = {{5, true, 0}, {7, false, 5}, {2, false, 12}, {3, true, 0}};
    for (const auto& s : steps) {
      print_label(s.columns, 1, s.new_tape);
      EXPECT_EQ(tape_ended_label_first(), s.first) << (enabled ? "kept" : "not kept");
    }
  }
}

// The serial a label's facts name: the characters its serial steps (three at
// most) with the leading zeros printed before them, never digits of a
// barcode field before it; nothing when the serial lies hidden past the text.
TEST_F(TapeHistoryTest, SerialTextIsWhatTheSerialSteps) {
  const struct {
    const char* text;
    uint8_t barcode_length;  // a field from column 0; 0 for none
    const char* serial;
  } cases[] = {{"123", 2, "3"}, {"A12", 0, "12"}, {"1234", 0, "234"}, {"AB", 0, "AB"}, {"12AB", 2, "AB"},
               {"0100", 0, "0100"}, {"N00100", 0, "00100"}, {"00100", 2, "100"}};
  for (const auto& c : cases) {
    lbl_clear_text();
    LabelRecord* r = lbl_record();
    r->label_type = 1;
    r->serial_print = 1;
    r->serial_class = c.serial[0] >= 'A' ? SER_CLASS_UPPER : SER_CLASS_DIGITS;
    LabelLine& ln = r->lines[0];
    for (ln.length = 0; c.text[ln.length]; ++ln.length) ln.cells[ln.length] = uint8_t(c.text[ln.length]);
    ln.cursor = ln.length;
    r->barcode_type = c.barcode_length ? 1 : 0;
    r->barcode_start = 0;
    r->barcode_length = c.barcode_length;
    EXPECT_EQ(tape_label_facts().serial, c.serial) << c.text;
  }
  // A terminal block whose text is cut short before its number (a built-in
  // sample): the cells print no number.
  lbl_clear_text();
  LabelRecord* r = lbl_record();
  r->label_type = LABEL_TERMINAL_BLOCK_IN;
  r->block_serial = 1;
  const char* text = "Term 15";
  for (uint8_t k = 0; k < 7; ++k) r->lines[0].cells[k] = uint8_t(text[k]);
  r->lines[0].length = 4;
  r->lines[0].cursor = 7;
  EXPECT_EQ(tape_label_facts().serial, "");
  lbl_clear_text();
}
