#include "firmware/print/cutter.h"

#include <atomic>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/clock.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/platform/worker.h"

namespace {
constexpr uint32_t kPollMs = 100;

struct Cutter {
  std::atomic<uint8_t> done{0};      // set by the Cut switch, cleared by tape_begin
  std::atomic<bool> waiting{false};  // the engine is inside cut_wait
} s;

uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
}  // namespace

void cut_init() {
  s.done = 0;
  uint8_t record[NVM_COUNTER_BYTES] = {};
  if (!nvm_load_counters(record)) {
    uint8_t zero[NVM_COUNTER_BYTES] = {};
    nvm_save_counters(zero);
  }
}

void cut_task() {}
void cut_set_done(uint8_t done) { s.done = done; }
uint8_t cut_get_done() { return s.done; }
void cut_hw_hook(int) {}

bool cut_waiting() { return s.waiting && s.done == 0; }

bool cut_wait() {
  bool cancelled = false;
  s.waiting = true;
  while (s.done == 0) {
    // A program that is stopping ends the pause as a cancel, and no cut is
    // counted for it.
    if (firmware_terminate_requested()) {
      s.waiting = false;
      return true;
    }
    host_sleep_ms(kPollMs);
    const uint8_t key = kbd_get_key();
    if (key == KEY_SPACE && func_is_active()) {
      mirror_toggle_background();
      kbd_clear_key();
    } else if (key == KEY_PRINT || key == KEY_DELETE) {
      if (key == KEY_DELETE) cancelled = true;
      kbd_clear_key();
      s.done = 1;
    }
    // Other keys stay in the register.
  }
  // The flag stays set: the next label's tape_begin clears it.
  uint8_t record[NVM_COUNTER_BYTES];
  if (nvm_load_counters(record)) {
    put32(record, get32(record) + 1);
    nvm_save_counters(record);
  }
  s.waiting = false;
  return cancelled;
}

uint32_t cut_count() {
  uint8_t record[NVM_COUNTER_BYTES];
  return nvm_load_counters(record) ? get32(record) : 0;
}
