// The cutter: the counter journal in flash, the record the start-up makes,
// and the cut pause as the engine uses it (the Cut switch, Print, Delete,
// Func + Space, and a program that stops while it waits).
#include <gtest/gtest.h>

#include <cstring>

#include "firmware/kernel/key_codes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/cutter.h"
#include "firmware/print/engine.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"
#include "print_test_util.h"
#include "test_font_image.h"

using namespace print_test;

namespace {

uint8_t marker(uint32_t address) {
  uint8_t m = 0;
  spi_read(&m, address, 1);
  return m;
}

uint32_t count_of(const uint8_t* record) {
  return uint32_t(record[0]) | uint32_t(record[1]) << 8 | uint32_t(record[2]) << 16 | uint32_t(record[3]) << 24;
}

class CounterJournal : public ::testing::Test {
 protected:
  void SetUp() override {
    host_clock_use_virtual(false);
    test_font_image::install("counters");
  }
  void save(uint32_t count) {
    uint8_t r[14] = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)};
    nvm_save_counters(r);
  }
};

TEST_F(CounterJournal, ErasedSectorHoldsNoRecordAndCutInitStoresZeros) {
  uint8_t r[14];
  std::memset(r, 0x55, sizeof r);
  EXPECT_FALSE(nvm_load_counters(r));
  EXPECT_EQ(r[0], 0x55);  // untouched
  cut_init();
  ASSERT_TRUE(nvm_load_counters(r));
  EXPECT_EQ(count_of(r), 0u);
  EXPECT_EQ(marker(NVM_COUNTER_ADDR), NVM_MARK_WRITTEN);
  cut_init();  // a valid record stays as it is: no second entry
  EXPECT_EQ(marker(NVM_COUNTER_ADDR + NVM_COUNTER_ENTRY), NVM_MARK_FREE);
}

TEST_F(CounterJournal, SaveWritesTheCheckAndTheNewestEntryWins) {
  uint8_t r[14] = {1, 2, 0, 0, 0, 0, 0, 0, 0, 0};
  nvm_save_counters(r);
  EXPECT_EQ(nvm_sum10(r), 3u);
  EXPECT_EQ(count_of(r + 10), 3u);  // the check went into the caller's record
  save(7);
  uint8_t back[14];
  ASSERT_TRUE(nvm_load_counters(back));
  EXPECT_EQ(count_of(back), 7u);
  nvm_save_counters(back);  // the newest record again (with its check) writes nothing
  EXPECT_EQ(marker(NVM_COUNTER_ADDR + 2 * NVM_COUNTER_ENTRY), NVM_MARK_FREE);
}

TEST_F(CounterJournal, The33rdWriteErasesTheSectorAndStartsAtTheBottom) {
  for (uint32_t i = 1; i <= 32; ++i) save(i);
  EXPECT_EQ(marker(NVM_COUNTER_ADDR + 31 * NVM_COUNTER_ENTRY), NVM_MARK_WRITTEN);
  save(33);
  EXPECT_EQ(marker(NVM_COUNTER_ADDR), NVM_MARK_WRITTEN);
  EXPECT_EQ(marker(NVM_COUNTER_ADDR + NVM_COUNTER_ENTRY), NVM_MARK_FREE);
  uint8_t back[14];
  ASSERT_TRUE(nvm_load_counters(back));
  EXPECT_EQ(count_of(back), 33u);
}

TEST_F(CounterJournal, ABadNewestEntryIsNotLoaded) {
  save(5);
  const uint8_t broken = 0x00;
  spi_write(&broken, NVM_COUNTER_ADDR + 1 + 10, 1);  // the check no longer holds
  uint8_t back[14];
  EXPECT_FALSE(nvm_load_counters(back));
}

TEST_F(CounterJournal, ResetLeavesOneRecordOfZeros) {
  for (uint32_t i = 1; i <= 5; ++i) save(i);
  nvm_reset_counters();
  uint8_t back[14];
  ASSERT_TRUE(nvm_load_counters(back));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(back[i], 0);
  EXPECT_EQ(marker(NVM_COUNTER_ADDR + NVM_COUNTER_ENTRY), NVM_MARK_FREE);
}

// ---- The pause on a running device ----

class CutPause : public DeviceTest {
 protected:
  // Two copies: the engine waits in the pause after the first.
  void pause() {
    LabelRecord* r = set_label(1, 1, {"A"});
    r->copies = 2;
    print();
    ASSERT_TRUE(cut_waiting());
  }
};

TEST_F(CutPause, EveryEndOfAPauseCountsOneCut) {
  nvm_reset_counters();
  pause();
  cut_set_done(1);
  settle();
  EXPECT_EQ(cut_count(), 1u);  // after a reset the next pause leaves 1
  pause();
  key(KEY_PRINT);
  pause();
  key(KEY_DELETE);
  EXPECT_EQ(cut_count(), 3u);
}

TEST_F(CutPause, FuncSpaceTogglesTheLcdBackgroundAndTheWaitGoesOn) {
  pause();
  const uint64_t generation = mirror_generation();
  func_key_down();
  func_key_up();
  kbd_put_key(KEY_SPACE);
  device->tick(20);
  EXPECT_EQ(kbd_get_key(), 0);
  EXPECT_NE(mirror_generation(), generation);
  EXPECT_TRUE(cut_waiting());
  key(KEY_PRINT);
  EXPECT_EQ(ui_get_mode(), MODE_EDITOR);
}

TEST_F(CutPause, ClosingTheDeviceEndsThePause) {
  const uint32_t before = cut_count();
  pause();
  device->close();  // joins the worker: the pause must give up
  EXPECT_FALSE(cut_waiting());
  EXPECT_EQ(cut_count(), before);  // no cut was made
}

}  // namespace
