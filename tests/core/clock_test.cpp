#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "host/seam/clock.h"

namespace {
struct VirtualClock : ::testing::Test {
  void SetUp() override { host_clock_use_virtual(true); }
};
}  // namespace

// These drive the clock from a thread of their own; a build whose worker is
// a fiber has no threads to step (its golden runs check it instead).
#ifdef KLX80_FIBER_RUNTIME
#define SKIP_WITHOUT_THREADED_CLOCK() GTEST_SKIP() << "the clock steps a fiber in this build"
#else
#define SKIP_WITHOUT_THREADED_CLOCK() (void)0
#endif

// A worker that sleeps through the clock moves in lock step with the driver:
// after each advance it has done exactly the work whose deadlines passed.
TEST_F(VirtualClock, WorkerMovesInLockStepWithTheDriver) {
  SKIP_WITHOUT_THREADED_CLOCK();
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

// An idle polling loop is woken only for rounds that have work, and then at
// the same virtual times a loop woken every round would see.
TEST_F(VirtualClock, IdleSleeperWakesOnlyForWork) {
  SKIP_WITHOUT_THREADED_CLOCK();
  static std::atomic<bool> work{false};
  std::atomic<bool> stop{false};
  std::vector<uint64_t> rounds;  // virtual time of each round, read after the join
  host_clock_thread_enter();
  std::thread worker([&] {
    while (!stop) {
      if (work) rounds.push_back(host_clock_now_ms());
      host_sleep_idle_ms(1, [] { return work.load(); });
    }
    host_clock_thread_leave();
  });
  const uint64_t start = host_clock_now_ms();
  for (int tick = 0; tick < 5; ++tick) host_clock_advance(10);
  work = true;
  for (int tick = 0; tick < 3; ++tick) host_clock_advance(10);
  work = false;
  for (int tick = 0; tick < 5; ++tick) host_clock_advance(10);
  stop = true;
  work = true;  // the stop is work: the loop must see it
  host_clock_advance(10);
  worker.join();
  work = false;
  EXPECT_EQ(rounds, (std::vector<uint64_t>{start + 60, start + 70, start + 80}));
}

// Leaving virtual mode wakes a sleeper at once.
TEST_F(VirtualClock, LeavingVirtualModeWakesSleepers) {
  std::atomic<bool> woke{false};
  host_clock_thread_enter();
  std::thread worker([&] {
    host_sleep_ms(1000000);
    woke = true;
    host_clock_thread_leave();
  });
  host_clock_advance(0);  // returns once the worker sleeps
  host_clock_use_virtual(false);
  worker.join();
  EXPECT_TRUE(woke);
}

TEST_F(VirtualClock, TimeOnlyMovesWhenAdvanced) {
  uint64_t start = host_clock_now_ms();
  host_clock_advance(25);
  EXPECT_EQ(host_clock_now_ms(), start + 25);
}
