// The simulated flash chip. The device opened the image file for every access;
// here the file is opened once, when the device starts, and read whole; reads
// are served from that copy. Writes and erases change the copy and go to the
// file at once through the same descriptor (one pwrite each), so the file
// stays the flash's true contents between runs. When they reach the disk is
// the durability policy: each save (the desktop program), once when the
// device is switched off (a batch run), or never (suite cases, fuzzing,
// benchmarks).
//
// It is a NOR part: programming can only clear bits (the stored byte is the
// old byte AND the new one), and only an erase sets a whole sector back to
// 0xFF. The order of the firmware's writes is the order a power cut sees.
#include "host/seam/spi_flash.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "host/seam/flash_image.h"

namespace {
// The image's bytes. Unlike a vector, growing leaves the new bytes as they
// are (the read or a copy fills them at once, so a megabyte is not zeroed
// first), and the storage is kept when the size shrinks or the buffers trade
// places. A buffer of a megabyte or more starts on a 2 MiB boundary and asks
// for a huge page, which the kernel maps in one fault where 4 KiB pages take
// 256: those faults cost a short batch run more than the device's whole
// start. Where huge pages are off, the request is ignored.
class ImageBuffer {
 public:
  ImageBuffer() = default;
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;
  ~ImageBuffer() { std::free(data_); }

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  std::span<const uint8_t> bytes() const { return {data_, size_}; }

  // New bytes are left unset.
  void resize(size_t size) {
    if (size > capacity_) reserve(size);
    size_ = size;
  }
  // New bytes are set to fill.
  void resize(size_t size, uint8_t fill) {
    const size_t old = size_;
    resize(size);
    if (size > old) std::memset(data_ + old, fill, size - old);
  }
  void swap(ImageBuffer& other) {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  static constexpr size_t kHugePage = size_t(2) << 20;

  void reserve(size_t capacity) {
    const bool large = capacity >= (size_t(1) << 20);
    const size_t bytes = large ? (capacity + kHugePage - 1) / kHugePage * kHugePage : capacity;
    auto* grown = static_cast<uint8_t*>(large ? std::aligned_alloc(kHugePage, bytes) : std::malloc(bytes));
    if (!grown) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (large) ::madvise(grown, bytes, MADV_HUGEPAGE);  // a hint: nothing is lost without it
#endif
    if (size_ > 0) std::memcpy(grown, data_, size_);
    std::free(data_);
    data_ = grown;
    capacity_ = bytes;
  }

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

struct Flash {
  std::string path = "fontData.hex";
  std::mutex mutex;            // the flash mutex: one access at a time
  ImageBuffer image;           // the whole flash, loaded at spi_init
  bool present = false;
  bool writable = false;       // changes go to the file through fd
  int fd = -1;                 // the image file, open for the life of the device
  bool whole_pending = false;  // a memory image: the file gets it whole at the first change
  bool dirty = false;          // written since the last sync
  std::string save_problem;    // why a change could not be saved, first time only
  std::atomic<bool> save_failed{false};
  std::atomic<uint64_t> opens{0};
  std::atomic<uint64_t> syncs{0};
  std::atomic<uint64_t> operations{0};  // writes and erases since spi_cut_arm
  int64_t cut_at = -1;                  // operation at which the power fails; -1 never
  bool cut_tears = false;
  FlashDurability durability = FlashDurability::SyncEachSave;
  ImageBuffer memory_image;           // served instead of the file when not empty
  bool from_memory = false;           // the image in use came from memory
} s;

void note_save_failure(const std::string& why) {
  if (s.save_failed.exchange(true)) return;
  s.save_problem = "Changes cannot be saved to " + s.path + ": " + why;
}

void close_file() {
  if (s.fd >= 0) ::close(s.fd);
  s.fd = -1;
  s.writable = false;
}

bool write_all(const uint8_t* p, size_t length, off_t at) {
  for (size_t done = 0; done < length;) {
    ssize_t n = ::pwrite(s.fd, p + done, length - done, at + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      note_save_failure(std::strerror(n < 0 ? errno : EIO));
      return false;
    }
    done += size_t(n);
  }
  return true;
}

// A file deleted (or replaced by another) while the device runs takes no
// more changes: they would land in a file nobody can open again.
bool file_still_there(bool by_path) {
  struct stat open_file {}, named {};
  if (::fstat(s.fd, &open_file) != 0 || open_file.st_nlink == 0) {
    note_save_failure(std::strerror(ENOENT));
    return false;
  }
  if (!by_path) return true;
  if (::stat(s.path.c_str(), &named) != 0) {
    note_save_failure(std::strerror(errno));
    return false;
  }
  if (named.st_dev != open_file.st_dev || named.st_ino != open_file.st_ino) {
    note_save_failure("the file was replaced by another one");
    return false;
  }
  return true;
}

void sync_locked() {
  if (s.fd < 0 || !s.dirty) return;
  s.dirty = false;
  s.syncs++;
  if (::fdatasync(s.fd) != 0) note_save_failure(std::strerror(errno));
}

// Writes the bytes of memory at [address, address + length) to the file;
// with SyncEachSave waits until they are on the disk.
void write_through(uint32_t address, size_t length) {
  const bool each = s.durability == FlashDurability::SyncEachSave;
  if (s.save_failed || !file_still_there(each)) return;
  if (s.whole_pending) {
    address = 0;
    length = s.image.size();
    s.whole_pending = false;
  }
  if (!write_all(s.image.data() + address, length, off_t(address))) return;
  s.dirty = true;
  if (each) sync_locked();
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
  if (erase)
    std::memset(at, 0xFF, length);
  else
    for (size_t i = 0; i < length; ++i) at[i] = uint8_t(at[i] & source[i]);
  if (s.writable && length > 0) write_through(address, length);
}

// Opens the image file once: read whole, and kept open for writing when it
// is a whole, writable image.
void load_file() {
  FlashImageCheck check = flash_image_inspect(s.path);
  // A path that is missing, unreadable, not a regular file or far too large is
  // as good as missing: nothing is read from it and nothing written there.
  if (check.verdict == FlashImageVerdict::Missing || check.verdict == FlashImageVerdict::Refused) return;
  s.opens++;
  int fd = check.writable ? ::open(s.path.c_str(), O_RDWR | O_CLOEXEC) : -1;
  if (fd < 0) {
    check.writable = false;
    fd = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > FLASH_IMAGE_REFUSE_SIZE) {
    ::close(fd);
    return;
  }
  s.image.resize(size_t(st.st_size));
  size_t done = 0;
  while (done < s.image.size()) {
    ssize_t n = ::pread(fd, s.image.data() + done, s.image.size() - done, off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  s.image.resize(done);  // a file that shrank meanwhile reads as what it holds
  s.present = true;
  // Only a whole image is written to; a short or long one is served as a
  // 1 MiB flash (missing bytes erased) and left as it is on the disk.
  s.writable = check.writable && s.image.size() == FLASH_IMAGE_SIZE;
  if (s.writable)
    s.fd = fd;
  else
    ::close(fd);
  s.image.resize(FLASH_IMAGE_SIZE, 0xFF);
}

// A memory image with a path: the file there takes the image's changes when
// it is a whole, writable image; it is not read.
void open_for_write_back() {
  if (s.path.empty()) return;
  const FlashImageCheck check = flash_image_inspect(s.path);
  if (!check.writable) return;
  s.opens++;
  s.fd = ::open(s.path.c_str(), O_WRONLY | O_CLOEXEC);
  s.writable = s.fd >= 0;
  s.whole_pending = s.writable;
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
  if (s.durability != FlashDurability::Never) sync_locked();  // a device not switched off first
  close_file();
  s.image.clear();
  s.present = false;
  s.dirty = false;
  s.whole_pending = false;
  s.save_failed = false;
  s.save_problem.clear();
  s.from_memory = !s.memory_image.empty();
  if (!s.from_memory) return load_file();
  // Served once. The buffers trade places and keep their storage, so that a
  // process starting device after device (a suite, a fuzzer) allocates none.
  s.image.swap(s.memory_image);
  s.memory_image.clear();
  s.image.resize(FLASH_IMAGE_SIZE, 0xFF);
  s.present = true;
  open_for_write_back();
}

std::string spi_image_problem() {
  std::lock_guard lock(s.mutex);
  if (!s.present) return "";
  if (s.from_memory) return flash_image_font_problem("", s.image.bytes());
  FlashImageCheck check = flash_image_inspect(s.path);
  if (!check.message.empty()) return check.message;
  return flash_image_font_problem(s.path, s.image.bytes());
}

std::string spi_font_fault() {
  std::lock_guard lock(s.mutex);
  return s.present ? flash_image_font_fault(s.image.bytes()) : "";
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
uint64_t spi_syncs() { return s.syncs; }

std::string spi_save_problem() {
  if (!s.save_failed) return "";
  std::lock_guard lock(s.mutex);
  return s.save_problem;
}

void spi_set_durability(FlashDurability durability) {
  std::lock_guard lock(s.mutex);
  s.durability = durability;
}

FlashDurability spi_durability() {
  std::lock_guard lock(s.mutex);
  return s.durability;
}

void spi_flush() {
  std::lock_guard lock(s.mutex);
  if (s.fd < 0 || s.durability == FlashDurability::Never) return;
  // The changes were written to this file; one that is gone by now kept none.
  if (s.dirty && !s.save_failed && !file_still_there(true)) return;
  sync_locked();
}

void spi_close() {
  spi_flush();
  std::lock_guard lock(s.mutex);
  close_file();
}

void spi_set_memory_image(const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(s.mutex);
  // Into the storage it had, when large enough.
  s.memory_image.resize(bytes.size());
  if (!bytes.empty()) std::memcpy(s.memory_image.data(), bytes.data(), bytes.size());
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
  return {s.image.data(), s.image.data() + s.image.size()};
}

bool spi_install_template(const std::string& template_path) {
  std::string target;
  {
    std::lock_guard lock(s.mutex);
    target = s.path;
  }
  return flash_image_install_template(template_path, target);
}
