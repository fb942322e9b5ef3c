#include "batch/state_json.h"

#include <cstdio>

#include "firmware/kernel/kernel.h"
#include "host/cartridge.h"
#include "host/mirror.h"
#include "host/tape.h"

namespace {
std::string boolean(bool b) { return b ? "true" : "false"; }
}  // namespace

std::string state_json() {
  MirrorLamps lamps = mirror_lamps();
  std::string j = "{";
  j += "\"mode\":" + std::to_string(ui_get_mode());
  // Label fields come with the label model.
  j += ",\"lines\":null,\"current_line\":null,\"cursor\":null,\"label_type\":null,\"font_size\":null";
  j += ",\"bold\":null,\"copies\":null,\"caps\":null";
  j += ",\"func_active\":" + boolean(func_is_active());
  j += ",\"lamps\":{\"pt\":" + boolean(lamps.pt) + ",\"bold\":" + boolean(lamps.bold) +
       ",\"caps\":" + boolean(lamps.caps) + ",\"func\":" + boolean(lamps.func) +
       ",\"battery\":" + std::to_string(lamps.battery) + "}";
  j += ",\"cartridge\":" + std::to_string(cart_get_id());
  j += ",\"popup\":null,\"messages\":[]";
  j += ",\"tape_columns\":" + std::to_string(tape_column_count());
  j += ",\"language\":" + std::to_string(sys_language());
  j += "}";
  return j;
}
