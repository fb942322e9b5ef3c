#include "firmware/editor/menu.h"

namespace {
struct Menu {
  uint8_t menu_id = 0;
  uint8_t return_to_editor = 0;
} m;
}  // namespace

void menu_init() {
  m.menu_id = 0;
  m.return_to_editor = 0;
}
void menu_task() {}
void menu_open(uint8_t id) { m.menu_id = id; }
uint8_t menu_current_id() { return m.menu_id; }
void menu_set_return_to_editor(uint8_t on) { m.return_to_editor = on; }
uint8_t menu_return_to_editor() { return m.return_to_editor; }
