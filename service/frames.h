// Messages between the accepting process and its workers over a stream
// socket: each message is a 4-byte length (little endian) and that many
// bytes. A worker reads a job as two messages (its settings, its script) and
// answers with two (status and type, body).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class FrameRead {
  Ok,
  Closed,    // the other end closed (a worker that ended, an acceptor gone)
  TimedOut,  // nothing whole before the deadline
  Broken,    // a read failed or the length is beyond the limit
};

// Writes the whole message; false when the other end is gone.
bool frame_write(int fd, std::string_view bytes);
// Reads one message of at most `limit` bytes. deadline_ms is a steady-clock
// time in milliseconds (frame_now_ms), or -1 to wait for ever.
FrameRead frame_read(int fd, std::string& out, int64_t deadline_ms, size_t limit);
int64_t frame_now_ms();
