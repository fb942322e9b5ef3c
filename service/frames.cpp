#include "service/frames.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {
// Waits until fd can be read or the deadline passes.
bool wait_readable(int fd, int64_t deadline_ms) {
  for (;;) {
    int timeout = -1;
    if (deadline_ms >= 0) {
      const int64_t left = deadline_ms - frame_now_ms();
      if (left <= 0) return false;
      timeout = int(left);
    }
    pollfd p{fd, POLLIN, 0};
    const int n = poll(&p, 1, timeout);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return true;  // the read that follows tells the error
  }
}

// Reads exactly size bytes. Ok, Closed (nothing or part read at the end),
// TimedOut or Broken.
FrameRead read_exact(int fd, char* data, size_t size, int64_t deadline_ms) {
  size_t got = 0;
  while (got < size) {
    if (!wait_readable(fd, deadline_ms)) return FrameRead::TimedOut;
    const ssize_t n = read(fd, data + got, size - got);
    if (n == 0) return FrameRead::Closed;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return errno == ECONNRESET ? FrameRead::Closed : FrameRead::Broken;
    }
    got += size_t(n);
  }
  return FrameRead::Ok;
}
}  // namespace

int64_t frame_now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool frame_write(int fd, std::string_view bytes) {
  if (bytes.size() > UINT32_MAX) return false;
  const auto size = uint32_t(bytes.size());
  const char head[4] = {char(size), char(size >> 8), char(size >> 16), char(size >> 24)};
  std::string_view parts[2] = {{head, 4}, bytes};
  for (std::string_view part : parts) {
    while (!part.empty()) {
      // MSG_NOSIGNAL: a worker that died answers EPIPE here, not SIGPIPE.
      const ssize_t n = send(fd, part.data(), part.size(), MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      part.remove_prefix(size_t(n));
    }
  }
  return true;
}

FrameRead frame_read(int fd, std::string& out, int64_t deadline_ms, size_t limit) {
  unsigned char head[4];
  if (FrameRead r = read_exact(fd, reinterpret_cast<char*>(head), 4, deadline_ms); r != FrameRead::Ok) return r;
  const size_t size = size_t(head[0]) | size_t(head[1]) << 8 | size_t(head[2]) << 16 | size_t(head[3]) << 24;
  if (size > limit) return FrameRead::Broken;
  out.resize(size);
  return read_exact(fd, out.data(), size, deadline_ms);
}
