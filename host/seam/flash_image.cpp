#include "host/seam/flash_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
std::string kind_of(mode_t mode) {
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}
}  // namespace

// Eight bytes at a time: each word adds its even and its odd bytes into four
// 16-bit lanes, which 128 words cannot overflow (128 * 2 * 255 < 65536).
// A fuzzer learns nothing from this loop's compares, and AddressSanitizer
// nothing from its loads (the callers bound the length by the buffer's);
// traced and checked, the loop would cost more than the rest of a device's
// start.
#if defined(__clang__)
__attribute__((no_sanitize("coverage", "address", "undefined")))
#elif defined(__GNUC__)
__attribute__((no_sanitize_address))
#endif
uint32_t flash_image_byte_sum(const uint8_t* bytes, size_t length) {
  constexpr uint64_t kLanes = 0x00FF00FF00FF00FFull;
  uint64_t total = 0;
  size_t i = 0;
  while (length - i >= 8) {
    const size_t end = i + std::min<size_t>((length - i) / 8, 128) * 8;
    uint64_t lanes = 0;
    for (; i < end; i += 8) {
      uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      lanes += (word & kLanes) + ((word >> 8) & kLanes);
    }
    total += (lanes & 0xFFFF) + (lanes >> 16 & 0xFFFF) + (lanes >> 32 & 0xFFFF) + (lanes >> 48);
  }
  for (; i < length; ++i) total += bytes[i];
  return uint32_t(total);
}

FlashImageCheck flash_image_inspect(const std::string& path) {
  FlashImageCheck c;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    c.verdict = FlashImageVerdict::Missing;
    c.message = "File " + path + " Missing";
    return c;
  }
  if (S_ISDIR(st.st_mode)) {
    c.verdict = FlashImageVerdict::Missing;
    c.message = "File " + path + " is a directory, not a flash image: the device runs without fonts";
    return c;
  }
  if (!S_ISREG(st.st_mode)) {
    c.verdict = FlashImageVerdict::Refused;
    c.message = "File " + path + " is " + kind_of(st.st_mode) + ", not a flash image";
    return c;
  }
  const uint64_t size = uint64_t(st.st_size);
  if (size > FLASH_IMAGE_REFUSE_SIZE) {
    c.verdict = FlashImageVerdict::Refused;
    c.message = "File " + path + " is " + std::to_string(size) + " bytes, far too large for a flash image of " +
                std::to_string(FLASH_IMAGE_SIZE) + " bytes";
    return c;
  }
  if (::access(path.c_str(), R_OK) != 0) {
    c.verdict = FlashImageVerdict::Missing;
    c.message = "File " + path + " cannot be read: " + std::strerror(errno);
    return c;
  }
  if (size != FLASH_IMAGE_SIZE) {
    c.verdict = FlashImageVerdict::ReadOnly;
    c.damaged = true;
    c.message = "File " + path + " is " + std::to_string(size) + " bytes, not a flash image of " +
                std::to_string(FLASH_IMAGE_SIZE) + " bytes: it is used as it stands and changes cannot be saved";
    return c;
  }
  // A file without any write permission is taken as protected on purpose,
  // even for a user (root) whom the system would let write it.
  const bool protect_bits = (st.st_mode & 0222) == 0;
  if (protect_bits || ::access(path.c_str(), W_OK) != 0) {
    c.verdict = FlashImageVerdict::ReadOnly;
    c.message = "File " + path + " is read-only: changes cannot be saved";
    return c;
  }
  c.writable = true;
  return c;
}

std::string flash_image_font_fault(std::span<const uint8_t> bytes) {
  if (bytes.size() < FLASH_FONT_SUM_ADDR + 4)
    return "it is too short to hold the fonts (" + std::to_string(bytes.size()) + " bytes)";
  const uint32_t sum = flash_image_byte_sum(bytes.data(), FLASH_FONT_SUM_ADDR);
  const uint8_t* p = bytes.data() + FLASH_FONT_SUM_ADDR;
  const uint32_t stored = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  if (sum != stored) return "its font data do not match their check sum";
  // A blank font area matches a sum of its own blank bytes: a zeroed file
  // (sum 0, stored 0) is no image. The font area cannot overflow the sum, so
  // it is all zero exactly when the sum is 0, and all erased when it is
  // 0xFF times its length.
  if (sum == 0) return "its font area is all zero";
  if (sum == 0xFFu * FLASH_FONT_SUM_ADDR) return "its font area is erased";
  return "";
}

std::string flash_image_font_problem(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string image = path.empty() ? "The image" : "File " + path;  // "": an image held in memory
  if (bytes.size() < FLASH_FONT_SUM_ADDR + 4)
    return image + " is too short to hold the fonts (" + std::to_string(bytes.size()) + " bytes)";
  const std::string fault = flash_image_font_fault(bytes);
  if (fault.empty()) return "";
  if (fault.rfind("its font data", 0) == 0) return image + " is damaged: " + fault;
  return image + " is damaged: " + fault + ", it holds no fonts";
}

FlashImageCheck flash_image_check(const std::string& path) {
  FlashImageCheck c = flash_image_inspect(path);
  if (c.verdict == FlashImageVerdict::Missing || c.verdict == FlashImageVerdict::Refused) return c;
  std::vector<uint8_t> bytes;
  if (!flash_image_read(path, bytes)) {
    c.verdict = FlashImageVerdict::Missing;
    c.writable = false;
    c.message = "File " + path + " cannot be read";
    return c;
  }
  if (std::string fonts = flash_image_font_problem(path, bytes); !fonts.empty()) {
    c.damaged = true;
    if (c.message.empty()) c.message = fonts;
  }
  return c;
}

bool flash_image_read(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  // Non-blocking: a pipe put in the file's place meanwhile must not hang the open.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && uint64_t(st.st_size) <= FLASH_IMAGE_REFUSE_SIZE;
  if (ok) {
    bytes.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += size_t(n);
    }
    bytes.resize(done);  // a file that shrank meanwhile reads as what it holds
  }
  ::close(fd);
  return ok;
}

bool flash_image_install_template(const std::string& template_path, const std::string& target) {
  namespace fs = std::filesystem;
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

bool flash_image_set_aside(const std::string& path, const std::string& suffix, std::string& kept_as,
                           std::string& error) {
  for (int n = 1; n < 1000; ++n) {
    const std::string name = path + suffix + (n == 1 ? "" : "-" + std::to_string(n));
    // A hard link fails on a name that exists, so a file there is never replaced.
    if (::link(path.c_str(), name.c_str()) != 0) {
      if (errno == EEXIST) continue;
      error = "File " + path + " could not be kept as " + name + ": " + std::strerror(errno);
      return false;
    }
    if (::unlink(path.c_str()) != 0) {
      error = "File " + path + " could not be moved aside: " + std::strerror(errno);
      ::unlink(name.c_str());
      return false;
    }
    kept_as = name;
    return true;
  }
  error = "No free name to keep " + path + " under";
  return false;
}
