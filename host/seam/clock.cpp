#include "host/seam/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "host/seam/tape.h"

namespace {
struct Clock {
  std::atomic<bool> virtual_mode{false};
  std::atomic<uint32_t> speed{1};
  std::chrono::steady_clock::time_point real_start = std::chrono::steady_clock::now();

  std::mutex mutex;
  std::condition_variable changed;
  uint64_t now_ms = 0;  // virtual time
  int running = 0;      // registered threads that are not asleep
  struct Sleeper {
    uint64_t deadline;
    bool woken;
    uint32_t period;       // an idle sleep's length, 0 for a plain sleep
    bool (*has_work)();    // an idle sleep's question, else null
  };
  std::vector<Sleeper*> sleepers;
} s;

void real_sleep(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::microseconds(uint64_t(ms) * 1000 / s.speed.load()));
}

void virtual_sleep(std::unique_lock<std::mutex>& lock, uint32_t ms, bool (*has_work)()) {
  Clock::Sleeper me{s.now_ms + (ms ? ms : 1), false, ms ? ms : 1, has_work};
  s.sleepers.push_back(&me);
  --s.running;
  s.changed.notify_all();
  // The driver marks us woken (and running again) under the lock, so it
  // cannot see "everyone asleep" before we have had our turn.
  s.changed.wait(lock, [&] { return me.woken; });
}

void sleep_through_clock(uint32_t ms, bool (*has_work)()) {
  tape_publish();  // what this thread printed is on the tape before anyone else runs
  if (!s.virtual_mode) {
    real_sleep(ms);
    return;
  }
  std::unique_lock lock(s.mutex);
  // The mode may have changed while we waited for the lock.
  if (!s.virtual_mode) {
    lock.unlock();
    real_sleep(ms);
    return;
  }
  virtual_sleep(lock, ms, has_work);
}
}  // namespace

void host_clock_use_virtual(bool on) {
  std::lock_guard lock(s.mutex);
  s.virtual_mode = on;
  if (on) return;
  for (Clock::Sleeper* sleeper : s.sleepers) {
    sleeper->woken = true;
    ++s.running;
  }
  s.sleepers.clear();
  s.changed.notify_all();
}

bool host_clock_is_virtual() { return s.virtual_mode; }

void host_clock_set_speed(uint32_t factor) { s.speed = factor ? factor : 1; }
uint32_t host_clock_speed() { return s.speed; }

uint64_t host_clock_now_ms() {
  if (!s.virtual_mode) {
    auto elapsed = std::chrono::steady_clock::now() - s.real_start;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  }
  std::lock_guard lock(s.mutex);
  return s.now_ms;
}

void host_sleep_ms(uint32_t ms) { sleep_through_clock(ms, nullptr); }

void host_sleep_idle_ms(uint32_t ms, bool (*has_work)()) { sleep_through_clock(ms, has_work); }

void host_clock_thread_enter() {
  std::lock_guard lock(s.mutex);
  ++s.running;
}

void host_clock_thread_leave() {
  std::lock_guard lock(s.mutex);
  --s.running;
  s.changed.notify_all();
}

void host_clock_advance(uint32_t ms) {
  std::unique_lock lock(s.mutex);
  // Everyone must be asleep before time moves, or a thread that has not yet
  // gone to sleep would sleep from the later time.
  s.changed.wait(lock, [] { return s.running <= 0; });
  s.now_ms += ms;
  bool woke = false;
  std::erase_if(s.sleepers, [&](Clock::Sleeper* sleeper) {
    if (sleeper->deadline > s.now_ms) return false;
    if (sleeper->has_work && !sleeper->has_work()) {
      sleeper->deadline = s.now_ms + sleeper->period;  // its round would find nothing
      return false;
    }
    sleeper->woken = true;
    ++s.running;
    woke = true;
    return true;
  });
  if (!woke) return;
  s.changed.notify_all();
  s.changed.wait(lock, [] { return s.running <= 0; });
}
