#include "batch/serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

SerialLine::~SerialLine() {
  if (fd_ >= 0) ::close(fd_);
}

bool SerialLine::open(const std::string& path, std::string& error) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error = "cannot open the serial port '" + path + "': " + std::strerror(errno);
    return false;
  }
  termios t{};
  if (tcgetattr(fd_, &t) != 0) {
    error = "'" + path + "' is not a serial port or terminal: " + std::strerror(errno);
    return false;
  }
  cfmakeraw(&t);
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
  t.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd_, TCSANOW, &t) != 0) {
    error = "cannot set up the serial port '" + path + "': " + std::strerror(errno);
    return false;
  }
  tcflush(fd_, TCIFLUSH);
  return true;
}

bool SerialLine::read(std::string& out, int timeout_ms) {
  pollfd p{fd_, POLLIN, 0};
  const int ready = poll(&p, 1, timeout_ms);
  if (ready < 0) return errno == EINTR;
  if (ready == 0) return true;
  char buffer[4096];
  const ssize_t n = ::read(fd_, buffer, sizeof buffer);
  if (n > 0) {
    out.append(buffer, size_t(n));
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  // 0 bytes after POLLIN, EIO on a pseudo-terminal: the far end is gone.
  return false;
}

bool SerialLine::write_line(const std::string& line) {
  const std::string data = line + "\n";
  for (size_t done = 0; done < data.size();) {
    const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
    if (n > 0) {
      done += size_t(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      // The far end reads slowly: wait for room (a second at most each time).
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, 1000) == 0) return false;
    } else {
      return false;
    }
  }
  return true;
}
