#include "host/seam/power.h"

#include <atomic>

#include "host/seam/host_ui.h"

namespace {
struct Power {
  std::atomic<uint32_t> idle{0};  // reset by key events on the window thread
  std::atomic<uint8_t> enabled{1};
  std::atomic<bool> allowed{true};  // the simulator's own switch, for demonstrations
} s;
}  // namespace

void pwr_hw_init() {}

void pwr_init() {
  s.idle = 0;
  s.enabled = 1;
}

void pwr_activity() { s.idle = 0; }

void pwr_task() {
  uint32_t taken = s.idle++;
  if (taken >= 60000 && s.enabled && s.allowed) {
    s.idle = 0;
    pwr_ask_off();
  }
}

void pwr_disable_auto_off() { s.enabled = 0; }

void pwr_allow_auto_off(bool allowed) { s.allowed = allowed; }
bool pwr_auto_off_allowed() { return s.allowed; }

void pwr_ask_off() {
  if (host_ui().ask_turn_off()) host_ui().turn_off();
}

uint32_t pwr_idle_ticks() { return s.idle; }
