#include "host/state_json.h"

#include <cstdio>

#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/screens/pickers.h"
#include "firmware/screens/popup.h"
#include "host/cartridge.h"
#include "host/mirror.h"
#include "host/tape.h"

namespace {
std::string boolean(bool b) { return b ? "true" : "false"; }

// One label line as a JSON string: printable ASCII as itself, everything else
// (the device's own codes above 127, control codes) as \uXXXX of the code.
std::string line_json(const LabelLine& line) {
  std::string out = "\"";
  const int length = line.length > LBL_MAX_CHARS ? LBL_MAX_CHARS : line.length;
  for (int k = 0; k < length; ++k) {
    const uint16_t c = line.cells[k];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(c));
      out += escape;
    }
  }
  return out + "\"";
}

// The serial run: class (0 upper-case letters, 1 lower-case, 2 digits),
// start, increment, the end text ("_" in empty leading places) and whether
// the next print runs it.
std::string serial_json(const LabelRecord* r) {
  std::string end;
  for (int k = 0; k < 3 && r->serial_end_text[k] != 0; ++k) {
    const uint8_t c = r->serial_end_text[k];
    end += c >= 0x20 && c < 0x7F && c != '"' && c != '\\' ? char(c) : '?';
  }
  return ",\"serial\":{\"class\":" + std::to_string(r->serial_class) + ",\"start\":" + std::to_string(r->serial_start) +
         ",\"increment\":" + std::to_string(r->serial_increment) + ",\"end\":\"" + end +
         "\",\"print\":" + boolean(r->serial_print != 0) + "}";
}

std::string label_json() {
  const LabelRecord* r = lbl_record();
  const int last = r->last_line < LBL_MAX_LINES ? r->last_line : LBL_MAX_LINES - 1;
  const int current = r->current_line < LBL_MAX_LINES ? r->current_line : 0;
  std::string j = ",\"lines\":[";
  for (int i = 0; i <= last; ++i) j += (i ? "," : "") + line_json(r->lines[i]);
  j += "]";
  j += ",\"current_line\":" + std::to_string(r->current_line);
  j += ",\"cursor\":" + std::to_string(r->lines[current].cursor);
  j += ",\"label_type\":" + std::to_string(r->label_type);
  j += ",\"font_size\":" + std::to_string(r->font_size);
  j += ",\"bold\":" + boolean(r->bold != 0);
  j += ",\"copies\":" + std::to_string(r->copies);
  j += serial_json(r);
  j += ",\"caps\":" + boolean(ed_caps() != 0);
  return j;
}

std::string popup_json() {
  const int showing = msg_popup_current();
  std::string j = ",\"popup\":" + (showing < 0 ? std::string("null") : std::to_string(showing));
  j += ",\"messages\":[";
  for (size_t i = 0; i < msg_popup_history_count(); ++i) j += (i ? "," : "") + std::to_string(msg_popup_history_at(i));
  return j + "]";
}
// Only while a picker is open: where its selection stands.
std::string picker_json() {
  const uint8_t mode = ui_get_mode();
  if (mode == MODE_SYMBOL_PICKER)
    return ",\"picker\":{\"mode\":4,\"row\":" + std::to_string(sym_row()) + ",\"column\":" + std::to_string(sym_col()) + "}";
  if (mode == MODE_INTL_PICKER)
    return ",\"picker\":{\"mode\":5,\"group\":" + std::to_string(intl_group()) + ",\"item\":" + std::to_string(intl_item()) + "}";
  return "";
}
}  // namespace

std::string state_json() {
  MirrorLamps lamps = mirror_lamps();
  std::string j = "{";
  j += "\"mode\":" + std::to_string(ui_get_mode());
  j += label_json();
  j += ",\"func_active\":" + boolean(func_is_active());
  j += ",\"lamps\":{\"pt\":" + boolean(lamps.pt) + ",\"bold\":" + boolean(lamps.bold) +
       ",\"caps\":" + boolean(lamps.caps) + ",\"func\":" + boolean(lamps.func) +
       ",\"battery\":" + std::to_string(lamps.battery) + "}";
  j += ",\"cartridge\":" + std::to_string(cart_get_id());
  j += popup_json();
  j += ",\"tape_columns\":" + std::to_string(tape_column_count());
  j += ",\"language\":" + std::to_string(sys_language());
  j += picker_json();
  j += "}";
  return j;
}
