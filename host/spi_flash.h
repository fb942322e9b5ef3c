// The serial flash chip, backed by the image file "fontData.hex": byte n of
// the file is flash address n. Reads are served from memory; every write and
// erase goes through to the file at once, so the file is always current.
// A missing image stays missing: reads leave their destination as it was and
// writes do nothing (no file is ever created by the firmware's writes).
#pragma once
#include <cstdint>
#include <string>

#include "firmware/platform/flash.h"

// Path of the image file; "fontData.hex" in the working directory by default.
// Takes effect at the next spi_init.
void spi_set_path(const std::string& path);
const std::string& spi_path();
// True when spi_init found and loaded the image file.
bool spi_present();

// A one-line description of what is wrong with a loaded image (too short to
// hold the fonts, or font data that do not match their check sum at
// 0xEFFFC), or "" when it looks whole or no image is loaded.
std::string spi_image_problem();

// Number of times the image file has been opened (reads must never open it).
uint64_t spi_file_opens();

// Puts a fresh image in place at spi_path() by copying template_path, but only
// when no file exists there: a user's image is never replaced, not even by a
// race with another process. Returns true when it installed the copy.
bool spi_install_template(const std::string& template_path);
