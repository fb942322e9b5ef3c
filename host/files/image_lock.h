// One writer per image: a program that may change a flash image holds an
// advisory lock (flock) on it, exclusive, so that a second program on the
// same file is told instead of opening it silently on top of the first (a
// slot saved by one would be overwritten by the other without "Replace?").
// Programs that only read an image take the lock shared: they may share it
// with each other, never with a writer. The session takes the lock when it
// opens a device on a file, and klx80-flash takes the same lock before it
// mends one; the lock ends with the process, however it ends.
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
      mode_ = other.mode_;
      other.fd_ = -1;
    }
    return *this;
  }

  // Takes the lock without waiting; a lock held before is let go once the
  // new one is taken (and kept when it is not). A lock already held on that
  // very file in that mode is kept as it is.
  Result acquire(const std::string& path, Mode mode);
  void release();
  bool held() const { return fd_ >= 0; }
  // Held, in at least this mode, on the file the path names now (the same
  // file through links; not one put in its place since).
  bool covers(const std::string& path, Mode mode = Mode::Exclusive) const;

 private:
  int fd_ = -1;
  Mode mode_ = Mode::Shared;
};

// The one line a front end shows for a held image.
std::string image_lock_in_use(const std::string& path);
