#include "batch/label_files.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>

#include "host/seam/tape_history.h"
#include "host/files/output_file.h"
#include "host/files/png.h"
#include "host/files/tape_pbm.h"
#include "host/session/state_json.h"

namespace fs = std::filesystem;

namespace {
std::string numbered(size_t n, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "label-%04zu.%s", n, extension);
  return name;
}

bool write_bytes(const std::string& path, const char* data, size_t size) {
  return output_file_write_bytes(path, data, size);
}

const std::regex& earlier_label() {
  static const std::regex earlier(R"(label-\d{4,}\.(png|pbm))");
  return earlier;
}

// These columns as a P4 PBM and as a PNG of the same bits.
bool write_label(const std::vector<TapeColumn>& columns, const std::string& pbm_path, const std::string& png_path) {
  const size_t width = columns.size();
  const std::string pbm = tape_pbm_of(columns);
  const size_t bits = (width + 7) / 8 * TAPE_DOTS;
  const auto* rows = reinterpret_cast<const uint8_t*>(pbm.data() + pbm.size() - bits);
  return write_bytes(pbm_path, pbm.data(), pbm.size()) && png_write_bilevel(png_path, int(width), TAPE_DOTS, rows);
}
}  // namespace

LabelFiles::~LabelFiles() { stop_listening(); }

bool LabelFiles::owns(const std::string& name) {
  return name == "labels.json" || std::regex_match(name, earlier_label());
}

bool LabelFiles::open(const std::string& dir, std::string& error) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) {
    error = "cannot create the directory '" + dir + "'";
    return false;
  }
  dir_ = dir;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
    if (entry.is_regular_file(ec) && std::regex_match(entry.path().filename().string(), earlier_label()))
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

// On the worker thread, as the engine ends the label: the tape ends with it
// (a sample run prints all its labels on one tape).
void LabelFiles::label_ended() {
  const TapeLabel facts = tape_label_facts();
  std::vector<TapeColumn> columns;
  tape_copy_columns(tape_ended_label_first(), TAPE_MAX_COLUMNS, columns);
  Entry e{entries_.size() + 1, columns.size(), facts};
  const fs::path base(dir_);
  const std::string png = (base / numbered(e.number, "png")).string();
  const std::string pbm = (base / numbered(e.number, "pbm")).string();
  if (failed_.empty() && !write_label(columns, pbm, png)) failed_ = pbm + "' or '" + png;
  entries_.push_back(std::move(e));
}

bool LabelFiles::finish(std::string& error) {
  stop_listening();
  const std::string path = (fs::path(dir_) / "labels.json").string();
  // One entry a line, so that a list diffs well.
  std::string json = "[";
  for (const Entry& e : entries_) {
    const nlohmann::ordered_json entry = label_facts_object(e.number, e.columns, e.facts);
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
