#include "host/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {
struct Clock {
  std::atomic<bool> virtual_mode{false};
  std::chrono::steady_clock::time_point real_start = std::chrono::steady_clock::now();

  std::mutex mutex;
  std::condition_variable changed;
  uint64_t now_ms = 0;  // virtual time
  int running = 0;      // registered threads that are not asleep
  struct Sleeper {
    uint64_t deadline;
    bool woken;
  };
  std::vector<Sleeper*> sleepers;
} s;
}  // namespace

void host_clock_use_virtual(bool on) { s.virtual_mode = on; }
bool host_clock_is_virtual() { return s.virtual_mode; }

uint64_t host_clock_now_ms() {
  if (!s.virtual_mode) {
    auto elapsed = std::chrono::steady_clock::now() - s.real_start;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  }
  std::lock_guard lock(s.mutex);
  return s.now_ms;
}

void host_sleep_ms(uint32_t ms) {
  if (!s.virtual_mode) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  std::unique_lock lock(s.mutex);
  Clock::Sleeper me{s.now_ms + (ms ? ms : 1), false};
  s.sleepers.push_back(&me);
  --s.running;
  s.changed.notify_all();
  // The driver marks us woken (and running again) under the lock, so it
  // cannot see "everyone asleep" before we have had our turn.
  s.changed.wait(lock, [&] { return me.woken; });
}

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
  std::erase_if(s.sleepers, [](Clock::Sleeper* sleeper) {
    if (sleeper->deadline > s.now_ms) return false;
    sleeper->woken = true;
    ++s.running;
    return true;
  });
  s.changed.notify_all();
  s.changed.wait(lock, [] { return s.running <= 0; });
}
