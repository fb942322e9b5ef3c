// The simulated flash chip. The device opened the image file for every access;
// here the file is read once at spi_init and reads are served from that copy,
// while writes and erases still go to the file at once (and to the copy), so
// the file stays the flash's true contents between runs.
//
// It is a NOR part: programming can only clear bits (the stored byte is the
// old byte AND the new one), and only an erase sets a whole sector back to
// 0xFF. Each write reaches the disk (fdatasync) before the call returns, so
// the order of the firmware's writes is the order a power cut sees.
#include "host/seam/spi_flash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "host/seam/flash_image.h"

namespace {
struct Flash {
  std::string path = "fontData.hex";
  std::mutex mutex;            // the flash mutex: one access at a time
  std::vector<uint8_t> image;  // the whole flash, loaded at spi_init
  bool present = false;
  bool writable = false;       // a usable 1 MiB image that opened for writing
  std::string save_problem;    // why a change could not be saved, first time only
  std::atomic<bool> save_failed{false};
  std::atomic<uint64_t> opens{0};
  std::atomic<uint64_t> operations{0};  // writes and erases since spi_cut_arm
  int64_t cut_at = -1;                  // operation at which the power fails; -1 never
  bool cut_tears = false;
  bool sync = true;
  FlashDurability durability = FlashDurability::SyncEachSave;
  std::vector<uint8_t> memory_image;  // served instead of the file when not empty
  bool from_memory = false;           // the image in use came from memory
} s;

void note_save_failure(const std::string& why) {
  if (s.save_failed.exchange(true)) return;
  s.save_problem = "Changes cannot be saved to " + s.path + ": " + why;
}

// Writes the bytes of memory at [address, address + length) to the file and
// waits until they are on the disk.
void write_through(uint32_t address, size_t length) {
  s.opens++;
  int fd = ::open(s.path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    note_save_failure(std::strerror(errno));
    return;
  }
  const uint8_t* p = s.image.data() + address;
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::pwrite(fd, p + done, length - done, off_t(address + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  if (done < length)
    note_save_failure(std::strerror(errno ? errno : EIO));
  else if (s.sync && ::fdatasync(fd) != 0)
    note_save_failure(std::strerror(errno));
  ::close(fd);
}

// One program or erase operation. A power cut (tests only) stops every
// operation from the chosen one on; a torn operation applies its first half.
void operate(const uint8_t* source, uint32_t address, size_t length, bool erase) {
  std::lock_guard lock(s.mutex);
  const uint64_t n = s.operations++;
  if (s.cut_at >= 0 && int64_t(n) >= s.cut_at) {
    if (int64_t(n) > s.cut_at || !s.cut_tears) return;
    length /= 2;
  }
  if (!s.present || address >= s.image.size()) return;
  length = std::min<size_t>(length, s.image.size() - address);
  uint8_t* at = s.image.data() + address;
  for (size_t i = 0; i < length; ++i) at[i] = erase ? 0xFF : uint8_t(at[i] & source[i]);
  if (s.writable && length > 0) write_through(address, length);
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

bool spi_writable() {
  std::lock_guard lock(s.mutex);
  return s.writable;
}

void spi_init() {
  std::lock_guard lock(s.mutex);
  s.image.clear();
  s.present = false;
  s.writable = false;
  s.save_failed = false;
  s.save_problem.clear();
  if (!s.memory_image.empty()) {
    // An image handed over as bytes: served from memory, never written to a file.
    s.image = s.memory_image;
    s.present = true;
    s.from_memory = true;
    s.writable = false;
    s.image.resize(FLASH_IMAGE_SIZE, 0xFF);
    return;
  }
  s.from_memory = false;
  s.opens++;
  FlashImageCheck check = flash_image_inspect(s.path);
  // A path that is missing, unreadable, not a regular file or far too large is
  // as good as missing: nothing is read from it and nothing written there.
  if (check.verdict == FlashImageVerdict::Missing || check.verdict == FlashImageVerdict::Refused) return;
  if (!flash_image_read(s.path, s.image)) {
    s.image.clear();
    return;
  }
  s.present = true;
  // Only a whole image is written to; a short or long one is served as a
  // 1 MiB flash (missing bytes erased) and left as it is on the disk.
  s.writable = check.writable && s.image.size() == FLASH_IMAGE_SIZE;
  s.image.resize(FLASH_IMAGE_SIZE, 0xFF);
}

std::string spi_image_problem() {
  std::lock_guard lock(s.mutex);
  if (!s.present) return "";
  if (s.from_memory) return flash_image_font_problem("the image", s.image);
  FlashImageCheck check = flash_image_inspect(s.path);
  if (!check.message.empty()) return check.message;
  return flash_image_font_problem(s.path, s.image);
}

void spi_read(uint8_t* destination, uint32_t address, uint16_t length) {
  std::lock_guard lock(s.mutex);
  if (address >= s.image.size()) return;  // a short read leaves the rest as it was
  size_t n = std::min<size_t>(length, s.image.size() - address);
  std::memcpy(destination, s.image.data() + address, n);
}

void spi_write(const uint8_t* source, uint32_t address, uint16_t length) { operate(source, address, length, false); }

void spi_erase_sector(uint32_t address) { operate(nullptr, address, SPI_SECTOR_SIZE, true); }

uint64_t spi_file_opens() { return s.opens; }

std::string spi_save_problem() {
  if (!s.save_failed) return "";
  std::lock_guard lock(s.mutex);
  return s.save_problem;
}

void spi_set_sync(bool sync) {
  std::lock_guard lock(s.mutex);
  s.sync = sync;
}

void spi_set_durability(FlashDurability durability) {
  std::lock_guard lock(s.mutex);
  s.durability = durability;
  s.sync = durability == FlashDurability::SyncEachSave;
}

FlashDurability spi_durability() {
  std::lock_guard lock(s.mutex);
  return s.durability;
}

void spi_flush() {
  std::lock_guard lock(s.mutex);
  if (!s.writable || s.durability == FlashDurability::Never) return;
  int fd = ::open(s.path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (::fdatasync(fd) != 0) note_save_failure(std::strerror(errno));
  ::close(fd);
}

void spi_set_memory_image(std::vector<uint8_t> bytes) {
  std::lock_guard lock(s.mutex);
  s.memory_image = std::move(bytes);
}

void spi_cut_arm(int64_t operation, bool tear) {
  std::lock_guard lock(s.mutex);
  s.operations = 0;
  s.cut_at = operation;
  s.cut_tears = tear;
}

uint64_t spi_operations() { return s.operations; }

std::vector<uint8_t> spi_contents() {
  std::lock_guard lock(s.mutex);
  return s.image;
}

bool spi_install_template(const std::string& template_path) {
  std::string target;
  {
    std::lock_guard lock(s.mutex);
    target = s.path;
  }
  return flash_image_install_template(template_path, target);
}
