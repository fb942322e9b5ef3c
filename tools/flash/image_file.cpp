#include "tools/flash/image_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <sys/stat.h>

#include "host/files/output_file.h"
#include "host/seam/flash_image.h"
#include "host/seam/spi_flash.h"

namespace fs = std::filesystem;

namespace {
// Writes the bytes to a file and makes them durable before anyone renames it.
bool write_durably(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) {
    error = "cannot create '" + path + "'";
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  const bool ok = done == bytes.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok) error = "cannot write '" + path + "'";
  return ok;
}

// A change may replace the image only when it is a regular file that may be
// written: a device node or a pipe is never replaced, and an image without
// write permission is protected on purpose (the device saves nothing to it).
bool may_replace(const std::string& target, std::string& error) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return errno == ENOENT;  // a new file
  if (!S_ISREG(st.st_mode)) {
    error = "'" + target + "' is not a regular file; nothing written";
    return false;
  }
  if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
    error = "'" + target + "' is read-only; nothing written";
    return false;
  }
  return true;
}

bool sync_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

std::string new_file_beside(const std::string& path) { return path + ".new-" + std::to_string(::getpid()); }

// Keeps the old image under the first free name of path.bak, path.bak-2, ...
// as a hard link (the old file itself, already on the disk), or where links
// cannot be made as a new copy; an existing backup is never overwritten and a
// link at one of these names is never followed. Then the new file is renamed
// over the image.
bool swap_in(const std::string& path, const std::string& fresh, std::string& kept_as, std::string& error) {
  std::error_code ec;
  kept_as.clear();
  if (fs::exists(path, ec)) {
    std::vector<uint8_t> old;
    for (int n = 1; n < 1000; ++n) {
      const std::string name = path + ".bak" + (n == 1 ? "" : "-" + std::to_string(n));
      // A hard link, like O_CREAT | O_EXCL below, fails on any name that exists, a link included.
      if (::link(path.c_str(), name.c_str()) == 0) {
        kept_as = name;
        break;
      }
      if (errno == EEXIST) continue;
      std::string why;  // no hard links on this file system: a new copy
      if ((old.empty() && !flash_image_read(path, old)) || !write_durably(name, old, why)) {
        if (errno == EEXIST) continue;
        break;
      }
      kept_as = name;
      break;
    }
    if (kept_as.empty()) {
      error = "cannot keep the old image as '" + path + ".bak' (or a free name after it); nothing written";
      return false;
    }
  }
  fs::rename(fresh, path, ec);
  if (ec) {
    error = "cannot rename the new image to '" + path + "': " + ec.message();
    if (!kept_as.empty()) fs::remove(kept_as, ec);
    return false;
  }
  return true;
}
}  // namespace

uint32_t image_font_sum(const std::vector<uint8_t>& image) {
  uint32_t sum = 0;
  for (uint32_t a = 0; a < FLASH_TOOL_FONT_SUM_ADDR; ++a) sum += image[a];
  return sum;
}

std::string image_problem(const std::vector<uint8_t>& image) {
  if (std::string fault = flash_image_font_fault(image); !fault.empty()) return fault;
  if (image.size() < FLASH_TOOL_IMAGE_SIZE)
    return "it is too short to hold the label storage (" + std::to_string(image.size()) + " of " +
           std::to_string(FLASH_TOOL_IMAGE_SIZE) + " bytes)";
  return "";
}

bool image_read(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  // Type and size first: a pipe or a device node is never opened, a huge file never read.
  const FlashImageCheck check = flash_image_inspect(path);
  if (check.verdict == FlashImageVerdict::Refused || check.verdict == FlashImageVerdict::Missing) {
    struct stat st {};
    error = ::stat(path.c_str(), &st) != 0 ? "cannot open '" + path + "'" : check.message;
    return false;
  }
  if (!flash_image_read(path, bytes)) {
    error = "cannot read '" + path + "'";
    return false;
  }
  return true;
}

bool image_rewrite(const std::string& image, const std::function<bool(std::string&)>& change,
                   const std::function<bool(std::string&)>& verify, std::string& kept_as, std::string& error) {
  // Through a link to the image it names; the link stays a link.
  const std::string path = output_file_target(image);
  std::vector<uint8_t> bytes;
  if (!image_read(path, bytes, error) || !may_replace(path, error)) return false;
  const std::string problem = image_problem(bytes);
  if (!problem.empty()) {
    error = "'" + path + "' is damaged: " + problem + "; nothing written";
    return false;
  }
  const std::string fresh = new_file_beside(path);
  if (!write_durably(fresh, bytes, error)) {
    std::error_code ec;
    fs::remove(fresh, ec);
    return false;
  }
  auto abandon = [&] {
    std::error_code ec;
    fs::remove(fresh, ec);
    return false;
  };
  spi_set_path(fresh);
  spi_init();
  if (!spi_present()) {
    error = "cannot load '" + fresh + "'";
    return abandon();
  }
  if (!change(error)) return abandon();
  spi_init();  // what the file now holds, not what memory thinks it holds
  if (!verify(error)) {
    error = "the new image did not read back as written (" + error + "); '" + path + "' is unchanged";
    return abandon();
  }
  if (!sync_file(fresh)) {
    error = "cannot write '" + fresh + "'";
    return abandon();
  }
  return swap_in(path, fresh, kept_as, error) || abandon();
}

bool image_replace_with(const std::string& image, const std::vector<uint8_t>& bytes, std::string& kept_as,
                        std::string& error) {
  const std::string path = output_file_target(image);
  if (!may_replace(path, error)) return false;
  const std::string fresh = new_file_beside(path);
  if (!write_durably(fresh, bytes, error) || !swap_in(path, fresh, kept_as, error)) {
    std::error_code ec;
    fs::remove(fresh, ec);
    return false;
  }
  return true;
}

bool image_create(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const std::string fresh = new_file_beside(path);
  if (!write_durably(fresh, bytes, error)) {
    std::error_code ec;
    fs::remove(fresh, ec);
    return false;
  }
  const bool linked = ::link(fresh.c_str(), path.c_str()) == 0;
  const int why = errno;
  std::error_code ec;
  fs::remove(fresh, ec);
  if (!linked)
    error = why == EEXIST ? "'" + path + "' exists; give --force to replace it (the old one is kept as .bak)"
                          : "cannot create '" + path + "'";
  return linked;
}
