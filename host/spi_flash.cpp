#include "host/spi_flash.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace {
struct Flash {
  std::string path = "fontData.hex";
  std::mutex mutex;              // the flash mutex: one access at a time
  std::vector<uint8_t> image;    // the whole file, loaded at spi_init
  bool present = false;
  std::atomic<uint64_t> opens{0};
} s;

FILE* open_image(const char* how) {
  s.opens++;
  return std::fopen(s.path.c_str(), how);
}

// Writes bytes to the file at address (the file must exist) and to memory.
void store(const uint8_t* source, uint32_t address, size_t length) {
  std::lock_guard lock(s.mutex);
  if (!s.present) return;
  FILE* f = open_image("r+b");
  if (!f) return;
  if (std::fseek(f, long(address), SEEK_SET) == 0) {
    size_t written = std::fwrite(source, 1, length, f);
    if (s.image.size() < address + written) s.image.resize(address + written, 0);
    std::memcpy(s.image.data() + address, source, written);
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
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) s.image.insert(s.image.end(), chunk, chunk + n);
  std::fclose(f);
  s.present = true;
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
