// Checks on a flash image file made before the firmware touches it, shared by
// the desktop program, the batch runner and the flash tools: is it a regular
// file, is it exactly one flash (1 MiB), can it be written, do its font data
// match their sum. A file that fails is never extended or rewritten; a file
// that is no image at all (a device node, a huge file) is refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr uint32_t FLASH_IMAGE_SIZE = 0x100000;
constexpr uint32_t FLASH_FONT_SUM_ADDR = 0xEFFFC;  // 32-bit sum of the font area below it
// Above this a file is not taken for an image at all (and never read whole).
constexpr uint64_t FLASH_IMAGE_REFUSE_SIZE = 16u << 20;

enum class FlashImageVerdict {
  Usable,    // runs and saves; message may still name damaged font data
  ReadOnly,  // runs on what it holds, saves nothing (wrong size, write-protected)
  Missing,   // absent, a directory or unreadable: the device runs without fonts
  Refused,   // not a regular file or far too large: nothing runs on it
};

struct FlashImageCheck {
  FlashImageVerdict verdict = FlashImageVerdict::Usable;
  bool writable = false;
  bool damaged = false;  // the wrong size, or fonts that do not match their sum
  std::string message;   // one line for the user, "" when all is well
};

// Looks at the file's type, size and permissions only (no read).
FlashImageCheck flash_image_inspect(const std::string& path);
// The above, plus the font sum read from the file.
FlashImageCheck flash_image_check(const std::string& path);
// The 32-bit sum of the bytes (the font data's check).
uint32_t flash_image_byte_sum(const uint8_t* bytes, size_t length);
// "" or what is wrong with the font area, as "its font data do not match
// their check sum", "its font area is all zero" or "... is erased".
std::string flash_image_font_fault(std::span<const uint8_t> bytes);
// "" or a line naming the file and what is wrong with its font area (path
// "" for an image held in memory: "The image is damaged ...").
std::string flash_image_font_problem(const std::string& path, std::span<const uint8_t> bytes);
// Reads a file that flash_image_inspect accepted; false when it cannot.
bool flash_image_read(const std::string& path, std::vector<uint8_t>& bytes);

// Moves the file at path aside to path + suffix (or path + suffix + "-2",
// "-3", ... when that name is taken; nothing is ever overwritten). Gives the
// name it now has, or false with a reason.
bool flash_image_set_aside(const std::string& path, const std::string& suffix, std::string& kept_as,
                           std::string& error);

// Puts a fresh image in place at target by copying template_path, but only
// when no file exists there: a user's image is never replaced, not even by a
// race with another process. Returns true when it installed the copy.
bool flash_image_install_template(const std::string& template_path, const std::string& target);
