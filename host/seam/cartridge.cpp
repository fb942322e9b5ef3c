#include "host/seam/cartridge.h"

#include <atomic>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"

namespace {
struct Cartridge {
  std::atomic<uint8_t> id{0};  // set by the media panel, read by both firmware threads
} s;
}  // namespace

void cart_init() { s.id = CART_TAPE_3_4_IN; }

// Mode 29 is a pass-through to the editor.
void cart_task() {
  if (ui_get_mode() == MODE_PASS_THROUGH) ui_set_mode(MODE_EDITOR);
}

uint8_t cart_get_id() { return s.id; }
void cart_set_id(uint8_t id) { s.id = id; }
bool cart_is_self_lam() { return cart_id_is_self_lam(s.id); }
bool cart_is_sleeve() { return cart_id_is_sleeve(s.id); }
