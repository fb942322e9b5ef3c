// The serial flash chip, backed by the image file "fontData.hex": byte n of
// the file is flash address n. The file is opened once when the device starts
// and kept open until it is switched off (spi_close). Reads are served from
// memory; every write and erase goes through to the file at once, so the file
// is always current, and reaches the disk as the durability policy says. A
// NOR part: a write only clears bits (old AND new); an erase sets a whole
// sector to 0xFF.
// A missing image stays missing: reads leave their destination as it was and
// writes do nothing (no file is ever created by the firmware's writes). An
// image that is not exactly 1 MiB, or is write-protected, is read as it stands
// (what it lacks reads erased) and never written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/platform/flash.h"

// Path of the image file; "fontData.hex" in the working directory by default.
// Takes effect at the next spi_init.
void spi_set_path(const std::string& path);
const std::string& spi_path();
// True when spi_init found and loaded the image file.
bool spi_present();
// True when changes go to the file (a whole, writable image).
bool spi_writable();

// A one-line description of what is wrong with a loaded image (not 1 MiB,
// write-protected, or font data that do not match their check sum at
// 0xEFFFC), or "" when it looks whole or no image is loaded.
std::string spi_image_problem();

// "" or what is wrong with the loaded image's font area (flash_image_font_fault).
std::string spi_font_fault();

// Number of times the image file has been opened: once per spi_init (reads
// and writes never open it).
uint64_t spi_file_opens();
// Number of times the image's changes were made to reach the disk (fdatasync).
uint64_t spi_syncs();

// "" or one line saying that a write did not reach the file (disk full, file
// gone, replaced by another file); set by the first failure after spi_init.
std::string spi_save_problem();

// When the image's changes reach the disk. The desktop program holds a
// person's real data and syncs each save before it reports it saved; a batch
// run syncs once when it ends (the journals are cut-safe, so a crash mid-run
// leaves the old or the new state); suite cases, fuzzing and benchmarks never.
// SyncEachSave until a device sets another.
enum class FlashDurability { SyncEachSave, SyncAtClose, Never };
void spi_set_durability(FlashDurability durability);
FlashDurability spi_durability();
// Makes every change so far durable (unless the policy is Never).
void spi_flush();
// The device is switched off: spi_flush, then the file is let go.
void spi_close();

// The next spi_init (that one only) serves these bytes instead of reading the file; changes
// go to memory and, when a path is set and names a whole writable image, to
// that file (the whole image at the first change, then each change) as the
// durability policy says. An empty vector goes back to the file.
void spi_set_memory_image(const std::vector<uint8_t>& bytes);

// Power-cut simulation for tests: numbers the writes and erases from 0 on;
// operation `operation` and all after it are lost, or with `tear` that one
// applies only its first half. -1 disarms (every operation is counted).
void spi_cut_arm(int64_t operation, bool tear);
uint64_t spi_operations();
// A copy of the whole flash as the chip holds it now.
std::vector<uint8_t> spi_contents();

// Puts a fresh image in place at spi_path() by copying template_path, but only
// when no file exists there: a user's image is never replaced, not even by a
// race with another process. Returns true when it installed the copy.
bool spi_install_template(const std::string& template_path);
