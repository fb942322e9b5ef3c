// The printed tape: column storage, the window's picture (bands, red dot 0,
// the area right of the tape), the scroll bar rule, the bound on kept columns
// and the end-of-label wait through the host clock.
#include "host/files/tape_view.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "firmware/print/cutter.h"
#include "host/files/output_file.h"
#include "host/files/png.h"
#include "host/files/tape_pbm.h"
#include "host/seam/clock.h"

namespace {

struct Picture {
  int width = TAPE_BOX_WIDTH;
  std::vector<uint8_t> rgb;
  explicit Picture(uint8_t cart, size_t first = 0, int w = TAPE_BOX_WIDTH) : width(w) {
    rgb.resize(size_t(width) * TAPE_PAINT_HEIGHT * 3);
    tape_paint(rgb.data(), width, first, cart, TAPE_WINDOW_COLOUR);
  }
  std::array<int, 3> at(int x, int y) const {
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

constexpr std::array<int, 3> kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kGrey{128, 128, 128},
    kWindow{240, 240, 240};

void add_engine_column(std::initializer_list<std::pair<int, uint8_t>> bytes) {
  uint8_t column[16] = {};
  for (auto [k, v] : bytes) column[k] = v;
  tape_add_column(column);
}

class TapeTest : public ::testing::Test {
 protected:
  void SetUp() override { tape_init(); }
  void TearDown() override {
    tape_set_listener(nullptr, nullptr);
    tape_init();
  }
};

TEST_F(TapeTest, ColumnIsStoredUpsideDownAndDotZeroPaintsRed) {
  add_engine_column({{0, 0x80}});   // engine dot 0
  add_engine_column({{15, 0x01}});  // engine dot 127
  add_engine_column({{1, 0x40}});   // engine dot 9
  ASSERT_EQ(tape_column_count(), 3u);
  TapeColumn c;
  ASSERT_TRUE(tape_column(0, c));
  EXPECT_EQ(c[15], 0x01);  // pixel row 127
  ASSERT_TRUE(tape_column(1, c));
  EXPECT_EQ(c[0], 0x80);  // pixel row 0
  EXPECT_FALSE(tape_column(3, c));

  Picture p(1);
  EXPECT_EQ(p.at(0, TAPE_BOX_TOP + 127), kRed);
  EXPECT_EQ(p.at(1, TAPE_BOX_TOP + 0), kBlack);
  EXPECT_EQ(p.at(2, TAPE_BOX_TOP + 127 - 9), kBlack);
  EXPECT_EQ(p.at(2, TAPE_BOX_TOP + 127), kWhite);
  // Right of the last column the box shows the window colour, not white tape.
  EXPECT_EQ(p.at(3, TAPE_BOX_TOP + 127), kWindow);
  EXPECT_EQ(p.at(480, TAPE_BOX_TOP + 100), kWindow);
}

TEST_F(TapeTest, VoidBandsFollowTheCartridge) {
  for (int i = 0; i < 600; ++i) add_engine_column({});

  // No cartridge: the top band covers everything from x = 3.
  Picture none(0);
  for (int y : {0, 11, 12, 100, 139, 151}) {
    EXPECT_EQ(none.at(3, y), kGrey) << y;
    EXPECT_EQ(none.at(480, y), kGrey) << y;
  }
  EXPECT_EQ(none.at(2, 50), kWhite);  // the band starts 3 pixels in
  EXPECT_EQ(none.at(2, 5), kWindow);

  // 3/4 inch: A + B = 154 > 152, so no top band; the lower band is 2 high.
  Picture wide(3);
  EXPECT_EQ(wide.at(100, 0), kWindow);
  EXPECT_EQ(wide.at(100, 12), kWhite);
  EXPECT_EQ(wide.at(100, 139), kWhite);
  EXPECT_EQ(wide.at(100, 140), kWindow);
  EXPECT_EQ(wide.at(100, 149), kWindow);
  EXPECT_EQ(wide.at(100, 150), kGrey);
  EXPECT_EQ(wide.at(100, 151), kGrey);

  // 3/8 inch: A 76, B 2: grey down to row 73, label band from row 74.
  Picture narrow(1);
  EXPECT_EQ(narrow.at(50, 73), kGrey);
  EXPECT_EQ(narrow.at(50, 74), kWhite);
  EXPECT_EQ(narrow.at(50, 150), kGrey);
  // 0.75 inch self-lam: the lower band reaches into the tape box.
  Picture lam(4);
  EXPECT_EQ(lam.at(50, 151 - 77), kGrey);
  EXPECT_EQ(lam.at(50, 151 - 78), kWhite);
  EXPECT_EQ(tape_bands(12).label, 0);
}

TEST_F(TapeTest, ScrollBarRuleAndScrolledPaint) {
  EXPECT_FALSE(tape_scroll_for(0, TAPE_BOX_WIDTH).shown);
  EXPECT_FALSE(tape_scroll_for(481, TAPE_BOX_WIDTH).shown);
  TapeScroll s = tape_scroll_for(482, TAPE_BOX_WIDTH);
  EXPECT_TRUE(s.shown);
  EXPECT_EQ(s.maximum, 1);
  EXPECT_EQ(s.position, 1);

  for (int i = 0; i < 482; ++i) add_engine_column({{15, uint8_t(i == 481 ? 0x01 : 0)}});
  Picture scrolled(3, 1);
  EXPECT_EQ(scrolled.at(480, TAPE_BOX_TOP), kBlack);  // the newest column at the right edge
  EXPECT_EQ(scrolled.at(479, TAPE_BOX_TOP), kWhite);
}

TEST_F(TapeTest, KeepsABoundedNumberOfColumnsAndCountsTheDropped) {
  const size_t extra = 5;
  for (size_t i = 0; i < TAPE_MAX_COLUMNS + extra; ++i) {
    uint8_t column[16] = {};
    column[0] = uint8_t(i);  // engine byte 0 lands in stored byte 15, bits reversed
    tape_add_column(column);
  }
  EXPECT_EQ(tape_column_count(), TAPE_MAX_COLUMNS);
  EXPECT_EQ(tape_dropped_columns(), extra);
  TapeColumn first;
  ASSERT_TRUE(tape_column(0, first));
  EXPECT_EQ(first[15], 0xA0);  // column 5 = 0b101, reversed

  cut_set_done(1);  // a cut made while the last label printed
  tape_begin();     // a new label starts a new tape, its cut not yet done
  EXPECT_EQ(cut_get_done(), 0);
  EXPECT_EQ(tape_column_count(), 0u);
  EXPECT_EQ(tape_dropped_columns(), 0u);
}

TEST_F(TapeTest, WholeTapeRenderIsAtLeastTheWindowWide) {
  int width = 0;
  std::vector<uint8_t> rgb = tape_render_all(2, width);
  EXPECT_EQ(width, TAPE_BOX_WIDTH);
  for (int i = 0; i < 700; ++i) add_engine_column({{0, 0x80}});
  rgb = tape_render_all(2, width);
  EXPECT_EQ(width, 700);
  ASSERT_EQ(rgb.size(), size_t(700) * TAPE_PAINT_HEIGHT * 3);
  const uint8_t* last_red = &rgb[(size_t(TAPE_BOX_TOP + 127) * 700 + 699) * 3];
  EXPECT_EQ(last_red[0], 255);
  EXPECT_EQ(last_red[1], 0);
}

// --tape-png paints colour indices: the same pixels as the window's RGB
// picture, at two bits a pixel unless engine dot 0 (red) was printed.
TEST_F(TapeTest, ThePngShowsTheWindowsPictureForEveryCartridge) {
  const std::string file = testing::TempDir() + "klx80_tape_png_" + std::to_string(::getpid()) + ".png";
  for (bool red : {false, true}) {
    tape_init();
    for (int i = 0; i < 600; ++i)
      add_engine_column({{1, uint8_t(i % 3 ? 0x40 : 0)}, {0, uint8_t(red && i == 7 ? 0x80 : 0)}});
    for (uint8_t cart = 0; cart <= 12; ++cart) {
      const std::string png = tape_png(cart);
      ASSERT_GT(png.size(), 26u);
      EXPECT_EQ(int(png[24]), red ? 4 : 2) << int(cart);
      ASSERT_TRUE(output_file_write_bytes(file, png.data(), png.size()));
      int w = 0, h = 0, rgb_width = 0;
      std::string back;
      ASSERT_TRUE(png_read_rgb(file, w, h, back));
      const std::vector<uint8_t> rgb = tape_render_all(cart, rgb_width);
      EXPECT_EQ(w, rgb_width);
      EXPECT_EQ(h, TAPE_PAINT_HEIGHT);
      EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.end()), rgb) << int(cart) << (red ? " red" : "");
    }
  }
  std::remove(file.c_str());
}

struct Events {
  std::atomic<int> begun{0}, ended{0};
};

TEST_F(TapeTest, EndNotifiesThenWaitsAHundredMillisecondsOfHostTime) {
#ifdef KLX80_FIBER_RUNTIME
  GTEST_SKIP() << "the worker is a fiber in this build";
#endif
  Events events;
  tape_set_listener(
      [](TapeEvent e, void* ctx) {
        auto* ev = static_cast<Events*>(ctx);
        (e == TapeEvent::Begun ? ev->begun : ev->ended)++;
      },
      &events);
  tape_begin();
  EXPECT_EQ(events.begun, 1);

  host_clock_use_virtual(true);
  std::atomic<bool> done{false};
  host_clock_thread_enter();
  std::thread worker([&] {
    tape_add_column(std::array<uint8_t, 16>{0x80}.data());
    tape_end();
    done = true;
    host_clock_thread_leave();
  });
  host_clock_advance(0);  // returns once the worker sleeps in tape_end
  host_clock_advance(99);
  EXPECT_EQ(events.ended, 1);
  EXPECT_FALSE(done);
  host_clock_advance(1);
  worker.join();
  EXPECT_TRUE(done);
  host_clock_use_virtual(false);
}

TEST_F(TapeTest, AppendWhilePaintingIsSafe) {
  std::thread worker([&] {
    uint8_t column[16] = {0xFF, 0x0F};
    for (int i = 0; i < 20000; ++i) tape_add_column(column);
  });
  std::vector<uint8_t> rgb(size_t(TAPE_BOX_WIDTH) * TAPE_PAINT_HEIGHT * 3);
  for (int i = 0; i < 50; ++i) {
    size_t count = tape_column_count();
    TapeScroll s = tape_scroll_for(count, TAPE_BOX_WIDTH);
    tape_paint(rgb.data(), TAPE_BOX_WIDTH, size_t(s.position), 3, TAPE_WINDOW_COLOUR);
  }
  worker.join();
  EXPECT_GT(tape_column_count(), 0u);
}

}  // namespace

// The PBM rows hold, dot for dot, the stored columns (8 x 8 blocks turned
// over), for widths that fill and that leave a part of a byte.
TEST_F(TapeTest, PbmRowsHoldEveryStoredDot) {
  for (size_t width : {size_t(1), size_t(7), size_t(8), size_t(9), size_t(301)}) {
    tape_init();
    for (size_t x = 0; x < width; ++x) {
      uint8_t column[16];
      for (int k = 0; k < 16; ++k) column[k] = uint8_t((x * 131 + k * 29) * 0x9E37 >> 5);
      tape_add_column(column);
    }
    const std::string pbm = tape_pbm();
    const std::string header = "P4\n" + std::to_string(width) + " 128\n";
    ASSERT_EQ(pbm.compare(0, header.size(), header), 0);
    const size_t row_bytes = (width + 7) / 8;
    ASSERT_EQ(pbm.size(), header.size() + row_bytes * 128);
    const auto* bits = reinterpret_cast<const uint8_t*>(pbm.data() + header.size());
    int wrong = 0;
    for (size_t x = 0; x < row_bytes * 8; ++x) {
      TapeColumn c{};
      if (x < width) tape_column(x, c);
      for (int row = 0; row < 128; ++row) {
        const bool stored = c[row / 8] & (0x80 >> (row % 8));
        const bool shown = bits[row * row_bytes + x / 8] & (0x80 >> (x % 8));
        wrong += stored != shown;
      }
    }
    EXPECT_EQ(wrong, 0) << width;
  }
}

// Columns printed on another thread are handed over in batches, all of them
// by the time that thread ends (or waits on the clock).
TEST_F(TapeTest, ColumnsFromThePrintingThreadAreAllHandedOver) {
  for (size_t count : {size_t(3), size_t(256), size_t(1000)}) {
    tape_init();
    std::thread printer([count] {
      for (size_t i = 0; i < count; ++i) add_engine_column({{15, uint8_t(i)}});
    });
    printer.join();
    EXPECT_EQ(tape_column_count(), count);
    TapeColumn last;
    ASSERT_TRUE(tape_column(count - 1, last));
    uint8_t reversed = 0;  // engine byte 15 is stored byte 0, bits reversed
    for (int b = 0; b < 8; ++b)
      if ((count - 1) >> b & 1) reversed |= uint8_t(0x80 >> b);
    EXPECT_EQ(last[0], reversed);
  }
}
