// The simulated flash chip. The device opened the image file for every access;
// here the file is read once at spi_init and reads are served from that copy,
// while writes and erases still go to the file at once (and to the copy), so
// the file stays the flash's true contents between runs.
#include "host/spi_flash.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

namespace {
struct Flash {
  std::string path = "fontData.hex";
  std::mutex mutex;            // the flash mutex: one access at a time
  std::vector<uint8_t> image;  // the whole file, loaded at spi_init
  bool present = false;
  std::atomic<uint64_t> opens{0};
} s;

FILE* open_image(const char* how) {
  s.opens++;
  return std::fopen(s.path.c_str(), how);
}

// Copies what the file now holds at [address, address + length) into memory;
// used after a failed write, when it is not known how much reached the file.
void reload_range(FILE* f, uint32_t address, size_t length) {
  std::clearerr(f);
  if (std::fseek(f, long(address), SEEK_SET) != 0) return;
  std::vector<uint8_t> bytes(length);
  size_t n = std::fread(bytes.data(), 1, length, f);
  if (s.image.size() < address + n) s.image.resize(address + n, 0);
  std::memcpy(s.image.data() + address, bytes.data(), n);
}

// Writes bytes to the file at address (the file must exist) and to memory.
// A write past the end of the file extends it; a gap reads back as zeros, as
// the file system fills it.
void store(const uint8_t* source, uint32_t address, size_t length) {
  std::lock_guard lock(s.mutex);
  if (!s.present) return;
  FILE* f = open_image("r+b");
  if (!f) return;
  if (std::fseek(f, long(address), SEEK_SET) == 0) {
    size_t written = std::fwrite(source, 1, length, f);
    if (written == length && std::fflush(f) == 0) {
      if (s.image.size() < address + length) s.image.resize(address + length, 0);
      std::memcpy(s.image.data() + address, source, length);
    } else {
      reload_range(f, address, length);
    }
  }
  std::fclose(f);
}
}  // namespace

void spi_set_path(const std::string& path) {
  std::lock_guard lock(s.mutex);
  s.path = path;
}

const std::string& spi_path() { return s.path; }

bool spi_present() {
  std::lock_guard lock(s.mutex);
  return s.present;
}

void spi_init() {
  std::lock_guard lock(s.mutex);
  s.image.clear();
  s.present = false;
  FILE* f = open_image("rb");
  if (!f) return;
  std::vector<uint8_t> chunk(65536);
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0)
    s.image.insert(s.image.end(), chunk.begin(), chunk.begin() + n);
  // A path that opens but cannot be read (a directory) is as good as missing:
  // the start-up warning names it, and nothing is written there.
  const bool unreadable = std::ferror(f) != 0;
  std::fclose(f);
  if (unreadable) {
    s.image.clear();
    return;
  }
  s.present = true;
}

std::string spi_image_problem() {
  constexpr uint32_t kSumAddress = 0xEFFFC;
  std::lock_guard lock(s.mutex);
  if (!s.present) return "";
  if (s.image.size() < kSumAddress + 4)
    return "File " + s.path + " is too short to hold the fonts (" + std::to_string(s.image.size()) + " bytes)";
  uint32_t sum = 0;
  for (uint32_t a = 0; a < kSumAddress; ++a) sum += s.image[a];
  const uint8_t* stored = s.image.data() + kSumAddress;
  uint32_t expected = uint32_t(stored[0]) | stored[1] << 8 | stored[2] << 16 | uint32_t(stored[3]) << 24;
  if (sum != expected) return "File " + s.path + " is damaged: its font data do not match their check sum";
  return "";
}

void spi_read(uint8_t* destination, uint32_t address, uint16_t length) {
  std::lock_guard lock(s.mutex);
  if (address >= s.image.size()) return;  // a short read leaves the rest as it was
  size_t n = std::min<size_t>(length, s.image.size() - address);
  std::memcpy(destination, s.image.data() + address, n);
}

void spi_write(const uint8_t* source, uint32_t address, uint16_t length) { store(source, address, length); }

void spi_erase_sector(uint32_t address) {
  static const std::vector<uint8_t> erased(SPI_SECTOR_SIZE, 0xFF);
  store(erased.data(), address, erased.size());
}

uint64_t spi_file_opens() { return s.opens; }

bool spi_install_template(const std::string& template_path) {
  namespace fs = std::filesystem;
  std::string target;
  {
    std::lock_guard lock(s.mutex);
    target = s.path;
  }
  std::error_code ec;
  fs::file_status st = fs::symlink_status(target, ec);
  if (st.type() != fs::file_type::not_found) return false;  // present, or cannot tell
  // Copy next to the target first, then link it into place: linking fails when
  // the name exists by then, and a half-copied image is never seen there.
  fs::path final_path(target);
  fs::path temp = final_path;
  temp += ".install-tmp";
  fs::remove(temp, ec);
  if (!fs::copy_file(template_path, temp, ec) || ec) {
    fs::remove(temp, ec);
    return false;
  }
  fs::create_hard_link(temp, final_path, ec);
  bool installed = !ec;
  if (ec && ec != std::errc::file_exists && !fs::exists(final_path)) {
    // A file system without hard links: rename, having just checked the name.
    std::error_code rename_ec;
    fs::rename(temp, final_path, rename_ec);
    installed = !rename_ec;
  }
  fs::remove(temp, ec);
  return installed;
}
