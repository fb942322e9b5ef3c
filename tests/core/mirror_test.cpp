#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/seam/mirror.h"

namespace {
struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};
constexpr Rgb kGreen{156, 180, 145};
constexpr Rgb kGrey{237, 237, 237};
constexpr Rgb kBlack{0, 0, 0};

Rgb pixel(int x, int y) {
  const uint8_t* p = mirror_rgb() + (y * MIRROR_WIDTH + x) * 3;
  return {p[0], p[1], p[2]};
}
// The 2 x 2 square of dot (column c, row r).
Rgb dot(int c, int r) { return pixel(2 * c + 1, 2 * r + 1); }

class Mirror : public ::testing::Test {
 protected:
  void SetUp() override { mirror_init(); }
  uint8_t frame[LCD_FRAME_BYTES] = {};
};
}  // namespace

TEST_F(Mirror, StartsAsAnEmptyGreenPicture) {
  for (int y = 0; y < MIRROR_HEIGHT; y += 7)
    for (int x = 0; x < MIRROR_WIDTH; x += 5) ASSERT_EQ(pixel(x, y), kGreen);
}

TEST_F(Mirror, FullFrameLeavesTheLampCornerUnpainted) {
  std::memset(frame, 0xFF, sizeof frame);
  mirror_load(frame);
  for (int r = 0; r < 64; ++r) {
    for (int c = 0; c < 132; ++c) {
      bool corner = (r >= 49 && r <= 55 && c >= 57) || (r >= 56 && c >= 56);
      ASSERT_EQ(dot(c, r), corner ? kGreen : kBlack) << "dot " << c << "," << r;
    }
  }
  // Both pixels of a dot are painted, right and bottom edges exclusive.
  EXPECT_EQ(pixel(0, 0), kBlack);
  EXPECT_EQ(pixel(263, 95), kBlack);
}

TEST_F(Mirror, TopRowOfPageSixIsTheFullWidthRule) {
  for (int c = 0; c < 132; ++c) frame[6 * 132 + c] = 0x80;
  mirror_load(frame);
  for (int c = 0; c < 132; ++c) {
    EXPECT_EQ(dot(c, 48), kBlack) << c;
    EXPECT_EQ(dot(c, 49), kGreen) << c;
  }
}

TEST_F(Mirror, LineLoadReplacesTwoPagesAndRedrawsEverything) {
  uint8_t line[LCD_LINE_BYTES];
  std::memset(line, 0xFF, sizeof line);
  mirror_load_line(1, line);
  EXPECT_EQ(dot(10, 15), kGreen);
  EXPECT_EQ(dot(10, 16), kBlack);
  EXPECT_EQ(dot(10, 31), kBlack);
  EXPECT_EQ(dot(10, 32), kGreen);
  EXPECT_EQ(mirror_framebuffer()[2 * 132 + 10], 0xFF);
  EXPECT_EQ(mirror_framebuffer()[4 * 132 + 10], 0x00);
}

TEST_F(Mirror, BitSevenIsTheTopDotOfAPage) {
  frame[0 * 132 + 3] = 0x81;
  mirror_load(frame);
  EXPECT_EQ(dot(3, 0), kBlack);
  EXPECT_EQ(dot(3, 7), kBlack);
  EXPECT_EQ(dot(3, 1), kGreen);
}

TEST_F(Mirror, BackgroundFlagSwitchesToGrey) {
  mirror_toggle_background();
  EXPECT_EQ(pixel(100, 10), kGrey);
  mirror_set_background(0);
  EXPECT_EQ(pixel(100, 10), kGreen);
}

namespace {
// Runs ticks until the cursor's first toggle; returns the ticks it took.
int ticks_to_first_toggle() {
  uint64_t before = mirror_generation();
  for (int t = 1; t <= 100; ++t) {
    mirror_cursor_tick();
    if (mirror_generation() != before) return t;
  }
  return -1;
}
}  // namespace

TEST_F(Mirror, CursorAtColumnZeroOrOneIsDrawnAtDotColumnOne) {
  for (uint8_t column : {0, 1}) {
    mirror_init();
    mirror_cursor_set(1, column);
    EXPECT_EQ(ticks_to_first_toggle(), 2);
    EXPECT_EQ(dot(1, 17), kBlack);
    EXPECT_EQ(dot(1, 30), kBlack);
    EXPECT_EQ(dot(1, 16), kGreen);
    EXPECT_EQ(dot(1, 31), kGreen);
    EXPECT_EQ(dot(0, 20), kGreen);
    EXPECT_EQ(dot(2, 20), kGreen);
  }
}

TEST_F(Mirror, CursorBlinksEveryThirtyTwoTicks) {
  mirror_cursor_set(0, 9);  // dot column 9
  ASSERT_EQ(ticks_to_first_toggle(), 2);
  EXPECT_EQ(dot(9, 5), kBlack);
  EXPECT_EQ(ticks_to_first_toggle(), 32);
  EXPECT_EQ(dot(9, 5), kGreen);
  EXPECT_EQ(ticks_to_first_toggle(), 32);
  EXPECT_EQ(dot(9, 5), kBlack);
}

TEST_F(Mirror, CursorModeTwoNeverPaints) {
  mirror_cursor_set(0, 9);
  mirror_cursor_mode(2);
  EXPECT_EQ(ticks_to_first_toggle(), -1);
  EXPECT_EQ(dot(9, 5), kGreen);
}

TEST_F(Mirror, BackgroundToggleRemovesTheCursorBar) {
  mirror_cursor_set(0, 9);
  ticks_to_first_toggle();
  ASSERT_EQ(dot(9, 5), kBlack);
  mirror_toggle_background();
  EXPECT_EQ(dot(9, 5), kGrey);
  // The next toggle paints the "off" phase in green, even on grey.
  ticks_to_first_toggle();
  EXPECT_EQ(dot(9, 5), kGreen);
}

TEST_F(Mirror, BatteryLevelsShowOutlineAndBars) {
  mirror_show_battery(2);
  EXPECT_EQ(mirror_lamps().battery, 2);
  mirror_show_battery(7);
  EXPECT_EQ(mirror_lamps().battery, 0);
}

// The picture is painted when read: cursor bars drawn since the last load,
// at moving places and any number of them, show as if painted at once.
TEST_F(Mirror, BarsDrawnBeforeAReadShowAsIfPaintedAtOnce) {
  for (int toggles : {1, 2, 65, 130}) {
    std::vector<uint8_t> pictures[2];
    for (int read_each = 0; read_each < 2; ++read_each) {
      mirror_init();
      for (size_t i = 0; i < LCD_FRAME_BYTES; ++i) frame[i] = uint8_t(i * 37);
      mirror_load(frame);
      for (int n = 0; n < toggles; ++n) {
        mirror_cursor_set(uint8_t(n % 4), uint8_t(n * 7 % 60));
        mirror_cursor_toggle();
        if (read_each) mirror_rgb();
      }
      pictures[read_each].assign(mirror_rgb(), mirror_rgb() + MIRROR_RGB_BYTES);
    }
    EXPECT_EQ(pictures[0], pictures[1]) << toggles;
  }
}
