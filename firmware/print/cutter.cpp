#include "firmware/print/cutter.h"

#include <atomic>

namespace {
struct Cutter {
  std::atomic<uint8_t> done{0};  // set by the Cut switch, read by the engine
} s;
}  // namespace

void cut_init() { s.done = 0; }
void cut_task() {}
void cut_set_done(uint8_t done) { s.done = done; }
