#include "service/frames.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
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
}  // namespace

int64_t frame_now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool frame_write(int fd, std::initializer_list<std::string_view> messages) {
  constexpr size_t kMost = 4;
  if (messages.size() > kMost) return false;
  char heads[kMost][4];
  iovec parts[2 * kMost];
  size_t count = 0;
  for (std::string_view m : messages) {
    if (m.size() > UINT32_MAX) return false;
    const auto size = uint32_t(m.size());
    char* head = heads[count / 2];
    head[0] = char(size), head[1] = char(size >> 8), head[2] = char(size >> 16), head[3] = char(size >> 24);
    parts[count++] = {head, 4};
    parts[count++] = {const_cast<char*>(m.data()), m.size()};
  }
  for (iovec* part = parts; part < parts + count;) {
    msghdr message{};
    message.msg_iov = part;
    message.msg_iovlen = size_t(parts + count - part);
    // MSG_NOSIGNAL: a worker that died answers EPIPE here, not SIGPIPE.
    ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    // Past what was sent, into the part it stopped in.
    for (; part < parts + count && size_t(n) >= part->iov_len; ++part) n -= ssize_t(part->iov_len);
    if (part < parts + count) {
      part->iov_base = static_cast<char*>(part->iov_base) + n;
      part->iov_len -= size_t(n);
    }
  }
  return true;
}

FrameRead frame_read(int fd, std::initializer_list<std::string*> outs, int64_t deadline_ms, size_t limit) {
  std::string in;  // what came and is not yet taken
  size_t at = 0;
  // Until `need` bytes lie from `at` on: reads what the socket has, at least
  // what is missing.
  auto have = [&](size_t need) -> FrameRead {
    while (in.size() - at < need) {
      // Without a deadline the read itself waits.
      if (deadline_ms >= 0 && !wait_readable(fd, deadline_ms)) return FrameRead::TimedOut;
      const size_t old = in.size();
      in.resize(old + std::max<size_t>(need - (old - at), 64 * 1024));
      const ssize_t n = read(fd, in.data() + old, in.size() - old);
      in.resize(old + size_t(std::max<ssize_t>(n, 0)));
      if (n == 0) return FrameRead::Closed;
      if (n < 0 && errno != EINTR && errno != EAGAIN)
        return errno == ECONNRESET ? FrameRead::Closed : FrameRead::Broken;
    }
    return FrameRead::Ok;
  };
  for (std::string* out : outs) {
    if (FrameRead r = have(4); r != FrameRead::Ok) return r;
    const auto* head = reinterpret_cast<const unsigned char*>(in.data() + at);
    const size_t size = size_t(head[0]) | size_t(head[1]) << 8 | size_t(head[2]) << 16 | size_t(head[3]) << 24;
    if (size > limit) return FrameRead::Broken;
    if (FrameRead r = have(4 + size); r != FrameRead::Ok) return r;
    out->assign(in, at + 4, size);
    at += 4 + size;
  }
  // Each side sends only when the other waits for it: more is a fault.
  return at == in.size() ? FrameRead::Ok : FrameRead::Broken;
}
