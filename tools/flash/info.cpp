// `klx80-flash IMAGE info`: the image as readable text: size and font sum,
// the device settings, the cut count, the working label and the twelve files.
// Reads only; a damaged image is described and the status is 1.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "firmware/editor/label.h"
#include "firmware/editor/messages.h"
#include "firmware/nvm/nvm.h"
#include "host/files/device_charset.h"
#include "host/seam/spi_flash.h"
#include "tools/flash/commands.h"
#include "tools/flash/image_file.h"

namespace {
// A firmware text (font codes) as the characters it shows.
std::string text_shown(const char* text) {
  std::string out;
  for (; *text; ++text) out += device_code_shown(uint8_t(*text));
  return out;
}

std::string line_text(const LabelLine& line) {
  std::string out = "\"";
  for (int k = 0; k < line.length && k < LBL_MAX_CHARS; ++k) out += device_code_shown(line.cells[k]);
  return out + "\"";
}

std::string type_tag(uint8_t type) {
  const uint8_t tagged = type == 49 ? 47 : type == 50 ? 48 : type;
  return tagged <= 48 ? msg_text_in(LANG_ENGLISH, uint8_t(121 + tagged)) : "?";
}

void print_label(const char* head, const LabelRecord& r) {
  static const char* const kSizes[7] = {"Auto", "6 pt", "9 pt", "14 pt", "20 pt", "28 pt", "40 pt"};
  std::printf("%stype %u %s, size %u (%s)%s, copies %u", head, r.label_type, type_tag(r.label_type).c_str(),
              r.font_size, r.font_size <= 6 ? kSizes[r.font_size] : "?", r.bold ? " bold" : "", r.copies);
  if (r.barcode_type) std::printf(", %s field", r.barcode_type == 1 ? "Code 39" : "Code 128");
  std::printf("\n");
  for (int i = 0; i <= r.last_line && i < LBL_MAX_LINES; ++i)
    std::printf("%*s%d %s\n", int(std::strlen(head)), "", i + 1, line_text(r.lines[i]).c_str());
}

void print_settings() {
  uint8_t primary[10], backup[10];
  std::memset(primary, 0xFF, sizeof primary);
  std::memset(backup, 0xFF, sizeof backup);
  spi_read(primary, NVM_SETTINGS_ADDR, 10);
  spi_read(backup, NVM_SETTINGS_BACKUP_ADDR, 10);
  auto valid = [](const uint8_t* r) {
    uint8_t sum = 0;
    for (int i = 0; i < 9; ++i) sum = uint8_t(sum + r[i]);
    return sum == r[9];
  };
  const uint8_t* r = valid(primary) ? primary : valid(backup) ? backup : nullptr;
  if (!r) {
    std::printf("settings   none valid; the device writes the factory settings at its next start\n");
    return;
  }
  const uint8_t language = r[0] <= 5 ? r[0] : 0;
  std::printf(
      "settings   language %u (%s), head grade %c, head offset %+d, lead %u dots, trail %u dots, level %u%s%s\n", r[0],
      text_shown(msg_text_in(LANG_ENGLISH, uint8_t(12 + language))).c_str(), r[4] >= 32 && r[4] < 127 ? r[4] : '?', int(int8_t(r[5])), r[6],
      r[7], r[2], r[8] == 0xA4 ? "" : " (not marked valid: the device replaces them)",
      r == backup ? " (from the backup copy; the primary is damaged)" : "");
}
}  // namespace

int flash_info(const std::string& image) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!image_read(image, bytes, error)) return flash_fail(error);
  const std::string problem = image_problem(bytes);

  std::printf("image      %s, %zu bytes\n", image.c_str(), bytes.size());
  if (bytes.size() >= FLASH_TOOL_FONT_SUM_ADDR + 4) {
    const uint8_t* s = bytes.data() + FLASH_TOOL_FONT_SUM_ADDR;
    const uint32_t stored = uint32_t(s[0]) | s[1] << 8 | s[2] << 16 | uint32_t(s[3]) << 24;
    const uint32_t sum = image_font_sum(bytes);
    if (sum == stored)
      std::printf("font sum   0x%08X (matches the stored sum)\n", sum);
    else
      std::printf("font sum   0x%08X (the stored sum is 0x%08X: DAMAGED)\n", sum, stored);
  }
  if (!problem.empty()) std::printf("problem    %s\n", problem.c_str());

  spi_set_path(image);
  spi_init();  // reads only from here on
  print_settings();
  uint8_t counters[NVM_COUNTER_BYTES];
  if (nvm_load_counters(counters))
    std::printf("cut count  %u\n",
                unsigned(counters[0] | counters[1] << 8 | counters[2] << 16 | uint32_t(counters[3]) << 24));
  else
    std::printf("cut count  no valid counter record\n");

  LabelRecord r;
  if (nvm_load_working_label(&r))
    print_label("working    ", r);
  else
    std::printf("working    none saved (the editor starts empty)\n");
  for (uint8_t slot = 0; slot < NVM_LABEL_FILES; ++slot) {
    nvm_load_label_file(slot, &r);
    char head[32];
    if (!lbl_checksum_ok(&r)) {
      std::printf("%s%2u (empty)\n", slot ? "           " : "files      ", slot + 1);
      continue;
    }
    char name[12] = {};
    std::memcpy(name, r.file_name, 11);
    std::snprintf(head, sizeof head, "%s%2u %-11s ", slot ? "           " : "files      ", slot + 1, name);
    print_label(head, r);
  }
  return problem.empty() ? 0 : 1;
}
