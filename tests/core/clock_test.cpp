#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "host/clock.h"

namespace {
struct VirtualClock : ::testing::Test {
  void SetUp() override { host_clock_use_virtual(true); }
};
}  // namespace

// A worker that sleeps through the clock moves in lock step with the driver:
// after each advance it has done exactly the work whose deadlines passed.
TEST_F(VirtualClock, WorkerMovesInLockStepWithTheDriver) {
  std::atomic<int> wakeups{0};
  std::atomic<bool> stop{false};
  host_clock_thread_enter();
  std::thread worker([&] {
    while (!stop) {
      host_sleep_ms(100);
      ++wakeups;
    }
    host_clock_thread_leave();
  });
  std::vector<int> seen;
  for (int tick = 0; tick < 30; ++tick) {
    host_clock_advance(10);
    seen.push_back(wakeups);
  }
  EXPECT_EQ(seen[8], 0);   // 90 ms
  EXPECT_EQ(seen[9], 1);   // 100 ms
  EXPECT_EQ(seen[19], 2);  // 200 ms
  EXPECT_EQ(seen[29], 3);
  stop = true;
  while (wakeups < 4) host_clock_advance(10);
  worker.join();
}

TEST_F(VirtualClock, TimeOnlyMovesWhenAdvanced) {
  uint64_t start = host_clock_now_ms();
  host_clock_advance(25);
  EXPECT_EQ(host_clock_now_ms(), start + 25);
}
