// Drawing a menu: up to three entries with their values, the selection bar
// (the whole row, or the value alone where the entry's field says so), the
// sideways scrolling of a long selected entry, the scroll bar, and the status
// line's preview of the label type and font size the menu is about to set.
#include "firmware/display/lcd.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/messages.h"
#include "firmware/menu/menu_table.h"
#include "firmware/platform/adc.h"
#include "firmware/screens/marquee.h"

namespace {
constexpr int kRoomWithValue = 82, kRoomAlone = 128;  // room of a scrolling entry
constexpr uint8_t kBatteryChannel = 2;
}  // namespace

void menu_draw() {
  const MenuState& st = menu_st;
  const MenuDef* def = menu_def(st.menu_id);
  lcd_clear_text();
  bool any_value = false;
  for (int r = 0; r < kMenuRows && st.menu_top + r < st.menu_count; ++r) {
    const uint8_t id = st.menu_items[st.menu_top + r];
    lcd_put_text(uint8_t(r), 0, msg_text(id), 0);
    if (const MenuField* f = menu_field(id); f && f->draw) {
      lcd_put_text(uint8_t(r), kValueClearX, "", 0);
      f->draw(uint8_t(r));
      any_value = true;
    }
    if (def && def->decorate) def->decorate(uint8_t(r), uint8_t(st.menu_top + r));
  }

  const uint8_t selected = menu_selected_entry();
  const uint8_t row = uint8_t(st.menu_sel - st.menu_top);
  if (st.menu_count > 0 && row < kMenuRows) {
    marquee_start(selected, row, any_value ? kRoomWithValue : kRoomAlone);
    menu_st.blink_state = 0;  // a blinking value starts its blink in its highlight
    const MenuField* f = menu_field(selected);
    if (f && f->highlight)
      f->highlight(row);
    else
      lcd_invert_line(row, 0, kRowEnd);
  }

  lcd_draw_scrollbar(st.menu_count, st.menu_sel);
  lcd_clear_status();
  lcd_draw_label_type(st.work_type, def && def->type_icon);
  lcd_draw_size_icon(st.work_font);
  lcd_draw_rule();
  // A popup over the menu ("Cannot Fit" in the font menu) put every lamp out;
  // the menu shows Caps and the battery as the editor left them.
  lcd_set_caps_indicator(ed_caps() != 0);
  lcd_show_battery(adc_read(kBatteryChannel));
  lcd_flush();
}
