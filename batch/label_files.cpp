#include "batch/label_files.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>

#include "firmware/editor/label.h"
#include "firmware/editor/label_types.h"
#include "firmware/print/engine.h"
#include "firmware/print/serial_text.h"
#include "host/cartridge.h"
#include "host/png.h"
#include "host/tape_pbm.h"

namespace fs = std::filesystem;

namespace {
bool in_class(uint16_t c, uint8_t cls) {
  if (cls == SER_CLASS_DIGITS) return c >= '0' && c <= '9';
  const uint16_t base = cls == SER_CLASS_LOWER ? 'a' : 'A';
  return c >= base && c <= base + 25;
}

uint8_t class_of(uint16_t c) {
  if (c >= 'a' && c <= 'z') return SER_CLASS_LOWER;
  if (c >= 'A' && c <= 'Z') return SER_CLASS_UPPER;
  return SER_CLASS_DIGITS;
}

// The serial the label carries, read when it ends: a serial run's characters
// of its class just before the cursor, or for a block label that numbers its
// cells the run of the first cell. Empty for any other label.
std::string serial_text(const LabelRecord* r) {
  const bool block = lbl_type_is_block(r->label_type);
  if (!(block ? r->block_serial != 0 : r->serial_print != 0)) return "";
  const uint8_t line = r->current_line < LBL_MAX_LINES ? r->current_line : 0;
  const LabelLine& ln = r->lines[line];
  int end = ln.cursor <= LBL_MAX_CHARS ? ln.cursor : LBL_MAX_CHARS;
  if (end == 0) return "";
  const uint8_t cls = block ? class_of(ln.cells[end - 1]) : r->serial_class;
  int start = end;
  while (start > 0 && in_class(ln.cells[start - 1], cls)) --start;
  std::string text;
  for (int i = start; i < end; ++i) text += char(ln.cells[i]);
  return text;
}

std::string numbered(size_t n, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "label-%04zu.%s", n, extension);
  return name;
}

bool write_bytes(const std::string& path, const char* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && written;
}

// The current tape as a P4 PBM and as a PNG of the same bits.
bool write_label(const std::string& pbm_path, const std::string& png_path) {
  const size_t width = tape_column_count();
  const std::string pbm = tape_pbm();
  const size_t bits = (width + 7) / 8 * TAPE_DOTS;
  const auto* rows = reinterpret_cast<const uint8_t*>(pbm.data() + pbm.size() - bits);
  return write_bytes(pbm_path, pbm.data(), pbm.size()) && png_write_bilevel(png_path, int(width), TAPE_DOTS, rows);
}
}  // namespace

LabelFiles::~LabelFiles() { stop_listening(); }

bool LabelFiles::open(const std::string& dir, std::string& error) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) {
    error = "cannot create the directory '" + dir + "'";
    return false;
  }
  dir_ = dir;
  const std::regex earlier(R"(label-\d{4,}\.(png|pbm))");
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
    if (entry.is_regular_file(ec) && std::regex_match(entry.path().filename().string(), earlier))
      fs::remove(entry.path(), ec);
  tape_set_listener(on_tape, this);
  listening_ = true;
  return true;
}

void LabelFiles::stop_listening() {
  if (listening_) tape_set_listener(nullptr, nullptr);
  listening_ = false;
}

void LabelFiles::on_tape(TapeEvent event, void* self) {
  if (event == TapeEvent::Ended) static_cast<LabelFiles*>(self)->label_ended();
}

// On the worker thread, as the engine ends the label: the tape holds just it.
void LabelFiles::label_ended() {
  const LabelRecord* r = lbl_record();
  Entry e{entries_.size() + 1, tape_column_count(), r->label_type, cart_get_id(), prn_label_copy(), serial_text(r)};
  const fs::path base(dir_);
  const std::string png = (base / numbered(e.number, "png")).string();
  const std::string pbm = (base / numbered(e.number, "pbm")).string();
  if (failed_.empty() && !write_label(pbm, png)) failed_ = pbm + "' or '" + png;
  entries_.push_back(std::move(e));
}

bool LabelFiles::finish(std::string& error) {
  stop_listening();
  const std::string path = (fs::path(dir_) / "labels.json").string();
  // One entry a line, so that a list diffs well.
  std::string json = "[";
  for (const Entry& e : entries_) {
    nlohmann::ordered_json entry;
    entry["number"] = e.number;
    entry["columns"] = e.columns;
    entry["label_type"] = e.label_type;
    entry["cartridge"] = e.cartridge;
    entry["copy"] = e.copy;
    entry["serial"] = e.serial.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(e.serial);
    json += (e.number > 1 ? ",\n" : "\n") + entry.dump(-1, ' ', /*ensure_ascii=*/true);
  }
  json += "\n]\n";
  if (!write_bytes(path, json.data(), json.size()) && failed_.empty()) failed_ = path;
  if (!failed_.empty()) {
    error = "cannot write '" + failed_ + "'";
    return false;
  }
  return true;
}
