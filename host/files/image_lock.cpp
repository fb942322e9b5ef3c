#include "host/files/image_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ImageLock::Result ImageLock::acquire(const std::string& path, Mode mode) {
  if (covers(path, mode) && mode_ == mode) return Result::Locked;
  // Read access is enough for flock; a write-protected image can be locked too.
  // O_NONBLOCK: a FIFO at the path must not hang the start.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Result::NoFile;
  int r;
  do {
    r = ::flock(fd, (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    // A file system without locks gives nothing to check against: go on.
    return busy ? Result::InUse : Result::NoFile;
  }
  release();
  fd_ = fd;
  mode_ = mode;
  return Result::Locked;
}

void ImageLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor ends the flock
  fd_ = -1;
}

bool ImageLock::covers(const std::string& path, Mode mode) const {
  if (fd_ < 0 || (mode == Mode::Exclusive && mode_ != Mode::Exclusive)) return false;
  struct stat held {}, named {};
  return ::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

std::string image_lock_in_use(const std::string& path) {
  return path + " is in use by a running klx80 program; close it there, or run on a copy";
}
