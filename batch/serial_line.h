// A serial port (or pseudo-terminal) opened raw at 115200 baud 8N1 with
// POSIX termios, for the batch runner's remote control: the desktop
// program's port is Qt's, which the batch runner does not link.
#pragma once
#include <string>

class SerialLine {
 public:
  SerialLine() = default;
  ~SerialLine();
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // False with the reason when the port cannot be opened or set up.
  bool open(const std::string& path, std::string& error);
  // Waits up to timeout_ms (-1: for ever) for bytes and appends them to out.
  // False once the far end has hung up or the port failed.
  bool read(std::string& out, int timeout_ms);
  // Writes the whole line and its line end; false when the port failed.
  bool write_line(const std::string& line);

 private:
  int fd_ = -1;
};
