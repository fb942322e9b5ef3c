// The writing commands and the label export: export-labels, import-labels,
// reset-settings and new. Everything an import will write is read and checked
// first; the image is then rewritten as a whole (tools/flash/image_file.h).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include <unistd.h>

#include "host/files/input_file.h"
#include "host/files/output_file.h"
#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/engine.h"
#include "host/files/label_fields.h"
#include "host/seam/spi_flash.h"
#include "tools/flash/commands.h"
#include "tools/flash/image_file.h"

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;

namespace {
constexpr const char* kFormat = "klx80-labels";
constexpr int kVersion = 1;

// What an import will write: slots by index 0..11 (nullopt empties the slot).
struct Import {
  std::optional<LabelRecord> working;
  std::map<uint8_t, std::optional<LabelRecord>> files;
};

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

bool parse_import(const std::string& path, Import& out, std::string& error) {
  std::string text;
  if (!input_file_read(path, text, error)) return false;
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::parse_error& e) {
    error = "'" + path + "' is not valid JSON: " + e.what();
    return false;
  }
  if (!doc.is_object() || doc.value("format", "") != kFormat) {
    error = "'" + path + "' is not a label export (\"format\": \"" + kFormat + "\" missing)";
    return false;
  }
  if (!doc.contains("version") || doc["version"] != kVersion) {
    error = "'" + path + "' has a version this tool does not read (it reads version 1)";
    return false;
  }
  if (doc.contains("working_label") && !doc["working_label"].is_null()) {
    LabelRecord r;
    if (!label_from_json(doc["working_label"], r, error)) {
      error = "working_label: " + error;
      return false;
    }
    out.working = r;
  }
  const json files = doc.value("files", json::array());
  if (!files.is_array()) {
    error = "\"files\" must be a list";
    return false;
  }
  for (const json& entry : files) {
    if (!entry.is_object() || !entry.contains("slot") || !entry["slot"].is_number_integer() ||
        entry["slot"].get<int64_t>() < 1 || entry["slot"].get<int64_t>() > NVM_LABEL_FILES) {
      error = "every entry of \"files\" needs a \"slot\" 1..12";
      return false;
    }
    const uint8_t slot = uint8_t(entry["slot"].get<int>() - 1);
    if (out.files.count(slot)) {
      error = "slot " + std::to_string(slot + 1) + " is listed twice";
      return false;
    }
    if (!entry.contains("label") || entry["label"].is_null()) {
      out.files[slot] = std::nullopt;
      continue;
    }
    LabelRecord r;
    if (!label_from_json(entry["label"], r, error)) {
      error = "slot " + std::to_string(slot + 1) + ": " + error;
      return false;
    }
    out.files[slot] = r;
  }
  return true;
}

bool same_record(const LabelRecord& a, const LabelRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The device's delete: 464 bytes of 0xFF, no checksum.
LabelRecord deleted_record() {
  LabelRecord r;
  std::memset(&r, 0xFF, sizeof r);
  return r;
}
}  // namespace

int flash_fail(const std::string& message) {
  std::fprintf(stderr, "klx80-flash: %s\n", message.c_str());
  return 1;
}

int flash_export_labels(const std::string& image, const std::string& json_path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!image_read(image, bytes, error)) return flash_fail(error);
  const std::string problem = image_problem(bytes);
  if (!problem.empty())  // labels can still be rescued from an image with bad fonts
    std::fprintf(stderr, "klx80-flash: warning: '%s' is damaged: %s\n", image.c_str(), problem.c_str());
  spi_set_path(image);
  spi_init();

  ordered_json doc;
  doc["format"] = kFormat;
  doc["version"] = kVersion;
  LabelRecord r;
  doc["working_label"] = nvm_load_working_label(&r) ? label_to_json(r) : ordered_json(nullptr);
  ordered_json files = ordered_json::array();
  for (uint8_t slot = 0; slot < NVM_LABEL_FILES; ++slot) {
    nvm_load_label_file(slot, &r);
    ordered_json entry;
    entry["slot"] = slot + 1;
    entry["label"] = lbl_checksum_ok(&r) ? label_to_json(r) : ordered_json(nullptr);
    files.push_back(entry);
  }
  doc["files"] = files;

  // Through a link to its target; a device node or a pipe is written, never replaced.
  const std::string text = doc.dump(2, ' ', /*ensure_ascii=*/true) + "\n";
  const bool written = output_file_write(json_path, [&](FILE* f) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size();
  });
  if (!written) return flash_fail("cannot write '" + json_path + "'");
  return 0;
}

int flash_import_labels(const std::string& image, const std::string& json_path) {
  Import plan;
  std::string error;
  if (!parse_import(json_path, plan, error)) return flash_fail(error + "; nothing written");
  auto change = [&](std::string&) {
    for (auto& [slot, record] : plan.files) {
      LabelRecord r = record ? *record : deleted_record();
      nvm_save_label_file(slot, &r, false);
    }
    if (plan.working) {
      LabelRecord r = *plan.working;
      nvm_save_working_label(&r);
    }
    return true;
  };
  auto verify = [&](std::string& why) {
    for (auto& [slot, record] : plan.files) {
      LabelRecord r;
      nvm_load_label_file(slot, &r);
      if (!same_record(r, record ? *record : deleted_record())) {
        why = "slot " + std::to_string(slot + 1);
        return false;
      }
    }
    LabelRecord r;
    if (plan.working && (!nvm_load_working_label(&r) || !same_record(r, *plan.working))) {
      why = "working label";
      return false;
    }
    return true;
  };
  std::string kept;
  if (!image_rewrite(image, change, verify, kept, error)) return flash_fail(error);
  std::printf("imported %s%zu file slot(s) into %s (the old image is kept as %s)\n",
              plan.working ? "the working label and " : "", plan.files.size(), image.c_str(), kept.c_str());
  return 0;
}

int flash_reset_settings(const std::string& image) {
  uint8_t record[10];
  auto change = [&](std::string&) {
    std::memset(record, 0, sizeof record);
    spi_read(record, NVM_SETTINGS_ADDR, 10);  // bytes 1 and 3 stay as the device keeps them
    prn_factory_settings(record);
    nvm_save_device_settings(record);
    return true;
  };
  auto verify = [&](std::string& why) {
    uint8_t primary[10] = {}, backup[10] = {};
    spi_read(primary, NVM_SETTINGS_ADDR, 10);
    spi_read(backup, NVM_SETTINGS_BACKUP_ADDR, 10);
    why = "settings";
    return std::memcmp(primary, record, 10) == 0 && std::memcmp(backup, record, 10) == 0;
  };
  std::string error, kept;
  if (!image_rewrite(image, change, verify, kept, error)) return flash_fail(error);
  std::printf("factory settings written to %s (the old image is kept as %s)\n", image.c_str(), kept.c_str());
  return 0;
}

int flash_new(const std::string& image, const std::string& template_path, bool force) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!image_read(template_path, bytes, error)) return flash_fail("fresh image template: " + error);
  const std::string problem = image_problem(bytes);
  if (!problem.empty()) return flash_fail("the template '" + template_path + "' is damaged: " + problem);
  if (same_file(image, template_path)) return flash_fail("'" + image + "' is the template itself");
  std::error_code ec;
  if (fs::is_directory(image, ec)) return flash_fail("'" + image + "' is a directory");
  const bool replaced = force && fs::exists(image, ec);
  std::string kept;
  if (!(replaced ? image_replace_with(image, bytes, kept, error) : image_create(image, bytes, error)))
    return flash_fail(error);
  std::printf("fresh image written to %s%s\n", image.c_str(),
              replaced ? (" (the old one is kept as " + kept + ")").c_str() : "");
  return 0;
}
