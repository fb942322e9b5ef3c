#include "host/session/cartridge_panel.h"

#include "host/seam/cartridge.h"

namespace {
// Window-thread state (the desktop panel's timer, or the batch runner).
struct Panel {
  uint8_t selected = 3;
  uint8_t applied = 3;
  bool pending = false;
} s;
}  // namespace

void cart_panel_init() { s = Panel{}; }

void cart_panel_select(uint8_t id) { s.selected = id; }

void cart_panel_timer() {
  if (s.pending) {
    s.pending = false;
    cart_set_id(s.selected);
  }
  if (s.selected == s.applied) return;
  // The old material comes out: the firmware sees no cartridge for one period.
  s.applied = s.selected;
  cart_set_id(0);
  s.pending = true;
}

uint8_t cart_panel_selected() { return s.selected; }
uint8_t cart_panel_applied() { return s.applied; }
bool cart_panel_pending() { return s.pending; }
bool cart_panel_busy() { return s.pending || s.selected != s.applied; }
