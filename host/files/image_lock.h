// One program per image: a running desktop program holds an advisory lock
// (flock) on its flash image, so that a second program on the same file is
// told instead of opening it silently on top of the first (a slot saved by one
// would be overwritten by the other without "Replace?"). The batch runner takes
// the lock shared: runs may share an image with each other, not with a live
// desktop program. The lock ends with the process, however it ends.
#pragma once
#include <string>

class ImageLock {
 public:
  enum class Mode { Exclusive, Shared };
  enum class Result {
    Locked,    // held until release or the end of the process
    InUse,     // another program holds the image
    NoFile,    // nothing at the path to lock (a missing image needs none)
  };
  ImageLock() = default;
  ~ImageLock() { release(); }
  ImageLock(const ImageLock&) = delete;
  ImageLock& operator=(const ImageLock&) = delete;
  // Takes over the other's lock (the one held here is let go).
  ImageLock& operator=(ImageLock&& other) noexcept {
    if (this != &other) {
      release();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }

  // Takes the lock without waiting; a lock held before is let go once the
  // new one is taken (and kept when it is not).
  Result acquire(const std::string& path, Mode mode);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};
