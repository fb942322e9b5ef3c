#include "firmware/display/pickers.h"

#include "firmware/kernel/modes.h"

namespace {
struct Pickers {
  uint8_t intl_return_mode = MODE_EDITOR;
  uint8_t sym_from_editor = 0;
} s;
}  // namespace

void sym_init() { s.sym_from_editor = 0; }
void sym_picker_task() {}
void sym_open_from_editor() { s.sym_from_editor = 1; }
uint8_t sym_from_editor() { return s.sym_from_editor; }
void intl_init() { s.intl_return_mode = MODE_EDITOR; }
void intl_picker_task() {}
void intl_set_return_mode(uint8_t mode) { s.intl_return_mode = mode; }
uint8_t intl_return_mode() { return s.intl_return_mode; }
