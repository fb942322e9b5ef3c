#include "host/files/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
const char* kind_of(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}
}  // namespace

bool input_file_read(const std::string& path, std::string& out, std::string& error, uint64_t limit) {
  out.clear();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  // A pipe (a process's output) is read as it comes; other special files are not files to read whole.
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
    error = "'" + path + "' is " + kind_of(st.st_mode) + ", not a file to read";
    return false;
  }
  if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > limit) {
    error = "'" + path + "' is " + std::to_string(st.st_size) + " bytes, more than the " + std::to_string(limit) +
            " this reads";
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "cannot read '" + path + "': " + std::strerror(errno);
      ok = false;
      break;
    }
    if (n == 0) break;
    if (out.size() + size_t(n) > limit) {
      error = "'" + path + "' holds more than the " + std::to_string(limit) + " bytes this reads";
      ok = false;
      break;
    }
    out.append(buffer, size_t(n));
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}
