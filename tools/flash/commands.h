// The flash tool's commands. Each returns the process exit status: 0 done,
// 1 failure (unreadable, damaged or refused input; nothing written).
#pragma once
#include <string>

int flash_info(const std::string& image);
int flash_export_labels(const std::string& image, const std::string& json_path);
int flash_import_labels(const std::string& image, const std::string& json_path);
int flash_reset_settings(const std::string& image);
int flash_new(const std::string& image, const std::string& template_path, bool force);

// Prints "klx80-flash: message" on stderr and returns 1.
int flash_fail(const std::string& message);
