// The file name entry. The first character typed after the screen is drawn
// replaces the stored name; later ones shift in from the right, the first
// one typed falling out on the left after eleven. Left removes the last
// character. Enter on a name of only "-" asks for a name and writes nothing.
#include "firmware/screens/fname.h"

#include <cstring>

#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/keys.h"
#include "firmware/platform/lcd_mirror.h"
#include "firmware/screens/popup.h"

namespace {
constexpr uint8_t kFileMenu = 16;
constexpr int kPositions = 11;  // name[11] is the terminating NUL
constexpr char kEmpty = '-';

struct FileName {
  char name[12] = {};
  uint8_t target_slot = 0;
  uint8_t redraw = 1;
  uint8_t first_key = 1;
  uint8_t last_mode = 0;
} f;

bool name_is_empty() {
  for (int i = 0; i < kPositions; ++i)
    if (f.name[i] != kEmpty) return false;
  return true;
}

void draw_name() {
  lcd_put_text(1, 20, f.name, 0);
  lcd_invert_bar(2, 20, 99);  // the field is shown inverted
}
}  // namespace

void fname_init() {
  f.last_mode = 0;
  f.redraw = 1;
  f.first_key = 1;
}

void fname_start(uint8_t slot) {
  f.target_slot = slot;
  ui_set_mode(MODE_FILE_NAME);
}

void fname_show_stored() {
  LabelRecord stored;
  nvm_load_label_file(f.target_slot, &stored);
  if (lbl_checksum_ok(&stored) && stored.file_name[0] != 0) {
    // Up to and including its NUL; a stored name without one is cut at 11.
    std::memcpy(f.name, stored.file_name, sizeof f.name);
    f.name[kPositions] = 0;
  } else {
    std::memset(f.name, kEmpty, kPositions);
    f.name[kPositions] = 0;
  }
  draw_name();
}

void fname_redraw() {
  draw_name();
  lcd_flush();
}

void fname_cancel() {
  menu_open(kFileMenu);
  ui_set_mode(MODE_MENU);
  f.redraw = 1;
}

void fname_key(uint8_t key) {
  const bool func = func_is_active();
  if (func && key == KEY_SPACE) {
    mirror_toggle_background();
  } else if (key >= KEY_SPACE && key <= KEY_Z) {
    const char c = char(kbd_key_to_char(key, 1));
    if (f.first_key) {
      f.first_key = 0;
      std::memset(f.name, kEmpty, kPositions - 1);  // the shown name is discarded
    } else {
      std::memmove(f.name, f.name + 1, kPositions - 1);
    }
    f.name[kPositions - 1] = c;
    f.name[kPositions] = 0;
  } else if (key == KEY_ENTER) {
    if (name_is_empty()) {
      msg_popup_show(MSG_ENTER_NAME, 1);
      f.redraw = 1;
    } else {
      // Stored as shown, leading "-" included.
      LabelRecord* r = lbl_record();
      std::memcpy(r->file_name, f.name, sizeof r->file_name);
      nvm_save_label_file(f.target_slot, r, true);
      ui_set_mode(MODE_EDITOR);
    }
  } else if (key == KEY_DELETE) {
    fname_cancel();
  } else if (key == KEY_LEFT) {
    int i = 0;
    while (i < kPositions && f.name[i] == kEmpty) ++i;
    if (i == kPositions) i = 0;
    if (i < kPositions - 1) std::memmove(f.name + i + 1, f.name + i, size_t(kPositions - 1 - i));
    f.name[i] = kEmpty;
  }
  if (func) func_after_key();
  menu_open_for_key(key);
}

void fname_mode_task() {
  const uint8_t mode = ui_get_mode();
  if (mode != f.last_mode) {
    f.last_mode = mode;
    f.redraw = 1;
  }
  if (mode != MODE_FILE_NAME) return;
  if (f.redraw) {
    f.redraw = 0;
    std::memset(f.name, 0, sizeof f.name);
    lcd_clear_text();
    lcd_put_text(0, 0, msg_text(MSG_FILE_NAME_Q), 0);
    fname_show_stored();
    f.first_key = 1;
    lcd_flush();
  }
  const uint8_t key = kbd_get_key();
  if (key == KEY_NONE) return;
  kbd_clear_key();
  fname_key(key);
  fname_redraw();
}

const char* fname_name() { return f.name; }
