// The flash tool's file handling: an image is read whole, and a change is
// never made in place. The new contents are written to a new file beside the
// image, the change runs there through the simulated flash (so the records
// and journals are written by the firmware's own storage code), what it wrote
// is read back, and only then is the old image kept as IMAGE.bak (IMAGE.bak-2
// and on when that name is taken: a backup is never overwritten, a link there
// never followed) and the new file renamed over it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr uint32_t FLASH_TOOL_IMAGE_SIZE = 0x100000;  // 1 MiB: fonts, then the storage sectors
constexpr uint32_t FLASH_TOOL_FONT_SUM_ADDR = 0xEFFFC;

// The 32-bit sum of the font area (bytes 0..0xEFFFB); the image must hold them.
uint32_t image_font_sum(const std::vector<uint8_t>& image);
// "" when the image looks whole, else what is wrong: too short for the fonts,
// font data that do not match their sum, too short for the storage sectors.
std::string image_problem(const std::vector<uint8_t>& image);

bool image_read(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Reads the image, refuses a damaged one, and rewrites it as above. `change`
// runs with the simulated flash on the new file; it returns false with a
// message to abandon the change. `verify` runs after the new file has been
// loaded again from disk. kept_as names the backup of the old image.
bool image_rewrite(const std::string& path, const std::function<bool(std::string&)>& change,
                   const std::function<bool(std::string&)>& verify, std::string& kept_as, std::string& error);

// Replaces `path` with these bytes the same way: a new file renamed into
// place, the old file kept as a backup named in kept_as.
bool image_replace_with(const std::string& path, const std::vector<uint8_t>& bytes, std::string& kept_as,
                        std::string& error);
// Puts these bytes at `path` only when no file is there, not even one that
// appears meanwhile: the new file is linked into place, which fails on a name
// that exists.
bool image_create(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
