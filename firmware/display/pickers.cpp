#include "firmware/display/pickers.h"

#include "firmware/kernel/modes.h"

namespace {
struct Pickers {
  uint8_t intl_return_mode = MODE_EDITOR;
} s;
}  // namespace

void sym_init() {}
void sym_picker_task() {}
void intl_init() { s.intl_return_mode = MODE_EDITOR; }
void intl_picker_task() {}
void intl_set_return_mode(uint8_t mode) { s.intl_return_mode = mode; }
uint8_t intl_return_mode() { return s.intl_return_mode; }
