#include "host/session/state_json.h"

#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/screens/pickers.h"
#include "firmware/screens/popup.h"
#include "host/files/device_charset.h"
#include "host/files/device_text.h"
#include "host/seam/cartridge.h"
#include "host/seam/tape_history.h"
#include "host/seam/mirror.h"
#include "host/seam/tape.h"
#include "host/session/lcd_text.h"

using nlohmann::ordered_json;

namespace {
// One label line: each device code is its own code point, so printable ASCII
// stays itself and the codes above 127 come out as \uXXXX.
std::string line_text(const LabelLine& line) {
  const int length = line.length > LBL_MAX_CHARS ? LBL_MAX_CHARS : line.length;
  return device_codes_to_utf8(std::vector<uint16_t>(line.cells, line.cells + length));
}

// The serial run: class (0 upper-case letters, 1 lower-case, 2 digits),
// start, increment, the end text ("_" in empty leading places) and whether
// the next print runs it.
void add_serial(ordered_json& j, const LabelRecord* r) {
  std::string end;
  for (int k = 0; k < 3 && r->serial_end_text[k] != 0; ++k) {
    const uint8_t c = r->serial_end_text[k];
    end += c >= 0x20 && c < 0x7F ? char(c) : '?';
  }
  ordered_json serial;
  serial["class"] = r->serial_class;
  serial["start"] = r->serial_start;
  serial["increment"] = r->serial_increment;
  serial["end"] = end;
  serial["print"] = r->serial_print != 0;
  j["serial"] = serial;
}

void add_label(ordered_json& j) {
  const LabelRecord* r = lbl_record();
  const int last = r->last_line < LBL_MAX_LINES ? r->last_line : LBL_MAX_LINES - 1;
  const int current = r->current_line < LBL_MAX_LINES ? r->current_line : 0;
  ordered_json lines = ordered_json::array();
  for (int i = 0; i <= last; ++i) lines.push_back(line_text(r->lines[i]));
  j["lines"] = lines;
  j["current_line"] = r->current_line;
  j["cursor"] = r->lines[current].cursor;
  j["label_type"] = r->label_type;
  j["font_size"] = r->font_size;
  j["bold"] = r->bold != 0;
  j["copies"] = r->copies;
  add_serial(j, r);
  j["caps"] = ed_caps() != 0;
}
// Only while a picker is open: where its selection stands.
void add_picker(ordered_json& j) {
  const uint8_t mode = ui_get_mode();
  if (mode == MODE_SYMBOL_PICKER)
    j["picker"] = {{"mode", mode}, {"row", sym_row()}, {"column", sym_col()}};
  else if (mode == MODE_INTL_PICKER)
    j["picker"] = {{"mode", mode}, {"group", intl_group()}, {"item", intl_item()}};
}
}  // namespace

ordered_json state_object(const LcdTextReader* screen) {
  const MirrorLamps lamps = mirror_lamps();
  ordered_json j;
  j["mode"] = ui_get_mode();
  add_label(j);
  j["func_active"] = func_is_active();
  j["lamps"] = {
      {"pt", lamps.pt}, {"bold", lamps.bold}, {"caps", lamps.caps}, {"func", lamps.func}, {"battery", lamps.battery}};
  j["cartridge"] = cart_get_id();
  const int showing = msg_popup_current();
  j["popup"] = showing < 0 ? ordered_json(nullptr) : ordered_json(showing);
  ordered_json messages = ordered_json::array();
  for (size_t i = 0; i < msg_popup_history_count(); ++i) messages.push_back(msg_popup_history_at(i));
  j["messages"] = messages;
  j["tape_columns"] = tape_column_count();
  j["language"] = sys_language();
  add_picker(j);
  if (screen) {
    const LcdText text = screen->read_mirror();
    ordered_json lines = ordered_json::array(), inverse = ordered_json::array();
    for (size_t i = 0; i < text.lines.size(); ++i) {
      lines.push_back(device_codes_shown(text.lines[i]));  // as the LCD shows it
      inverse.push_back(text.inverse[i]);
    }
    j["lcd_text"] = lines;
    j["lcd_inverse"] = inverse;
  }
  return j;
}

std::string state_json(const LcdTextReader* screen) {
  return state_object(screen).dump(-1, ' ', /*ensure_ascii=*/true);
}

nlohmann::ordered_json label_facts_object(uint64_t number, size_t width, const TapeLabel& facts) {
  nlohmann::ordered_json entry;
  entry["number"] = number;
  entry["width"] = width;
  entry["columns"] = width;
  entry["label_type"] = facts.label_type;
  entry["cartridge"] = facts.cartridge;
  entry["copy"] = facts.copy;
  entry["serial"] = facts.serial.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(facts.serial);
  return entry;
}
