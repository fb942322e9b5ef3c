// The symbol and international character pickers.
// TODO: their screens (the character grids, moving and choosing, inserting
// the chosen character into the label). Until then each mode hands back.
#include "firmware/screens/pickers.h"

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/menu/menu_ids.h"

namespace {
struct Pickers {
  uint8_t intl_return_mode = MODE_EDITOR;
  uint8_t sym_from_editor = 0;
} s;
}  // namespace

void sym_init() { s.sym_from_editor = 0; }
// The pickers' screens are not built yet: rather than leave the device on a
// screen that takes no key, each hands straight back to where it was opened.
// The symbol picker leaves as its Delete key does: to the editor when the
// editor opened it, else to a freshly opened main menu (the menu closed itself
// when it opened the picker, so its old picture takes no Enter).
void sym_picker_task() {
  if (ui_get_mode() != MODE_SYMBOL_PICKER) return;
  if (s.sym_from_editor) {
    s.sym_from_editor = 0;
    ui_set_mode(MODE_EDITOR);
  } else {
    menu_open(MENU_MAIN);
    ui_set_mode(MODE_MENU);
  }
}
void sym_open_from_editor() { s.sym_from_editor = 1; }
uint8_t sym_from_editor() { return s.sym_from_editor; }
void intl_init() { s.intl_return_mode = MODE_EDITOR; }
void intl_picker_task() {
  if (ui_get_mode() == MODE_INTL_PICKER) ui_set_mode(s.intl_return_mode);
}
void intl_set_return_mode(uint8_t mode) { s.intl_return_mode = mode; }
uint8_t intl_return_mode() { return s.intl_return_mode; }
