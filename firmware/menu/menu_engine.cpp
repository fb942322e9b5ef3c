// The menu engine. Each tick in mode 3 (or 8, while an entry scrolls) it
// takes one key, or builds the open menu when it changed: the list of
// entries, the initial selection and the working copies the menu edits, all
// as its row in the menu table says. Three rows show at a time; Down and Up
// wrap at the ends, the selection keeps to the third row while the list
// scrolls down. Enter runs the menu's action, Back opens its parent.
#include <cstring>

#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/editor/message_ids.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu_table.h"
#include "firmware/platform/cartridge.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/screens/popup.h"

MenuState menu_st;

namespace {
MenuState& st = menu_st;

// Builds the open menu; false when it closed instead (a serial menu without
// a serial, a copies menu that is not available, an unknown menu, each said
// with a message).
bool build() {
  const LabelRecord* r = lbl_record();
  if (st.reload_work) {
    st.work_type = r->label_type;
    st.work_font = r->font_size;
    st.work_units = r->units;
  }
  const bool fresh = st.menu_id != st.drawn_menu_id;
  const MenuDef* def = menu_def(st.menu_id);
  if (def == nullptr) {  // a menu this device does not have
    menu_close();
    msg_popup_show(MSG_NOT_AVAILABLE, 1);
    return false;
  }
  const MenuEntries list = def->choose ? def->choose() : def->entries;
  st.menu_items = list.ids;
  st.menu_count = list.count;
  if (def->prepare && !def->prepare(fresh)) return false;
  uint8_t sel = def->first ? def->first() : 0;
  // A redraw forced by a change of the increment keeps the bar where it is,
  // so that the second digit of the increment goes where the first went.
  if (!fresh && st.menu_sel < st.menu_count) return true;
  // A selection from stored data that lies beyond the list starts at the top.
  if (sel >= st.menu_count) sel = 0;
  st.menu_sel = sel;
  st.menu_top = sel < kMenuRows ? 0 : uint8_t(sel - 2);
  return true;
}

// The status line follows the selection: label type and font size that Enter
// would set.
void update_preview() {
  const MenuDef* def = menu_def(st.menu_id);
  if (def && def->preview) def->preview();
}

const MenuField* selected_field() { return menu_field(menu_selected_entry()); }

// Digits and letters typed into the selected entry; true when a value changed.
bool type_key(uint8_t key) {
  const MenuField* f = selected_field();
  return f && f->type && f->type(key);
}

// Right (+1) and Left (-1) on the selected entry; true when a value changed.
bool step_value(int delta) {
  const MenuField* f = selected_field();
  return f && f->step && f->step(delta);
}

void back() {
  const MenuDef* def = menu_def(st.menu_id);
  if (def && def->back && def->back()) return;
  if (def && def->parent != MENU_NONE)
    menu_open(def->parent);
  else
    menu_close();
}

// The entries on show get their tick (the blinking custom spacing).
void tick_fields() {
  if (st.menu_items == nullptr) return;
  for (int r = 0; r < kMenuRows && st.menu_top + r < st.menu_count; ++r) {
    const MenuField* f = menu_field(st.menu_items[st.menu_top + r]);
    if (f && f->tick) f->tick(uint8_t(r));
  }
}
}  // namespace

uint8_t menu_selected_entry() {
  if (st.menu_items == nullptr || st.menu_sel >= st.menu_count) return 0;
  return st.menu_items[st.menu_sel];
}

uint8_t menu_index_of(uint8_t id) {
  for (uint8_t i = 0; i < st.menu_count; ++i)
    if (st.menu_items[i] == id) return i;
  return 0;
}

void menu_init() {
  st = MenuState{};
  st.menu_id = st.drawn_menu_id = 0;
  st.work_copies = 1;
  st.work_serial.increment = 1;
  st.work_units = 0;
  st.reload_work = 1;
  st.fresh_increment = st.fresh_end = st.fresh_count = st.fresh_spacing = 1;
  st.force_redraw = st.return_to_editor = 0;
  st.blink_state = st.blink_ticks = 0;
}

void menu_open(uint8_t id) {
  st.menu_id = id;
  st.drawn_menu_id = 0;
}

void menu_open_for_key(uint8_t key) {
  uint8_t id;
  switch (key) {
    case KEY_MENU:
      id = MENU_MAIN;
      break;
    case KEY_LABEL:
      id = MENU_LABEL_TYPE;
      break;
    case KEY_FONT:
      id = MENU_FONT_SIZE;
      break;
    default:
      return;
  }
  menu_open(id);
  ui_set_mode(MODE_MENU);
}

void menu_close() {
  st.menu_id = st.drawn_menu_id = 0;
  st.reload_work = 1;
  ui_set_mode(MODE_EDITOR);
}

uint8_t menu_current_id() { return st.menu_id; }
void menu_set_return_to_editor(uint8_t on) { st.return_to_editor = on; }
uint8_t menu_return_to_editor() { return st.return_to_editor; }

void menu_next() {
  if (st.menu_count == 0) return;
  if (st.menu_sel < st.menu_count - 1) {
    if (st.menu_sel >= 2) ++st.menu_top;
    ++st.menu_sel;
  } else {
    st.menu_sel = st.menu_top = 0;
  }
  update_preview();
}

void menu_prev() {
  if (st.menu_count == 0) return;
  if (st.menu_sel > 0) {
    --st.menu_sel;
    if (st.menu_top > 0) --st.menu_top;
  } else {
    st.menu_sel = uint8_t(st.menu_count - 1);
    if (st.menu_count > kMenuRows) st.menu_top = uint8_t(st.menu_count - kMenuRows);
  }
  update_preview();
}

void menu_value_up() { step_value(+1); }
void menu_value_down() { step_value(-1); }

bool menu_action() {
  const MenuDef* def = menu_def(st.menu_id);
  return def && def->enter && def->enter();
}

void menu_key(uint8_t key) {
  if (func_is_active()) {
    func_after_key();
    if (key == KEY_SPACE) {
      mirror_toggle_background();
      return;
    }
  }
  bool changed = type_key(key);
  switch (key) {
    case KEY_DELETE:
      back();
      break;
    case KEY_ENTER:
      menu_action();
      break;
    case KEY_UP:
      menu_prev();
      if (menu_selected_entry() == MSG_START) menu_prev();  // shown, never selected
      changed = true;
      break;
    case KEY_DOWN:
      menu_next();
      if (menu_selected_entry() == MSG_START) menu_next();
      changed = true;
      break;
    case KEY_RIGHT:
      changed = step_value(+1) || changed;
      break;
    case KEY_LEFT:
      changed = step_value(-1) || changed;
      break;
    default:
      break;
  }
  menu_open_for_key(key);
  if (changed && st.menu_count > 0) menu_draw();
}

void menu_task() {
  const uint8_t key = kbd_get_key();
  const uint8_t mode = ui_get_mode();
  if (mode != MODE_MENU && ui_get_prev_mode() != MODE_MENU) return;
  if (cart_get_id() == CART_NONE) {
    menu_close();
    // Func latched for a key of this menu ends with it: the popup puts its
    // lamp out, and the next key in the editor is a plain one.
    if (func_state() == 3) func_release();
    msg_popup_show(MSG_INSERT_LABELS, 1);
    return;
  }
  // A key that arrives before a newly opened menu is built waits a tick, so
  // that it acts on the list the user sees.
  if (key != KEY_NONE && st.menu_id == st.drawn_menu_id) {
    kbd_clear_key();
    menu_key(key);
  } else if (st.menu_id != st.drawn_menu_id || st.force_redraw) {
    if (!build()) return;
    menu_draw();
    st.drawn_menu_id = st.menu_id;
    st.force_redraw = 0;
  }
  const uint8_t now = ui_get_mode();
  if (now == MODE_MENU || (now == MODE_MARQUEE && ui_get_prev_mode() == MODE_MENU)) tick_fields();
}
