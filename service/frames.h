// Messages between the accepting process and its workers over a stream
// socket: each message is a 4-byte length (little endian) and that many
// bytes. A worker reads a job as two messages (its settings, its script) and
// answers with two (status and type, body). The messages of one turn go in
// one system call and are read in as few as the socket allows: each call
// wakes the other side.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

enum class FrameRead {
  Ok,
  Closed,    // the other end closed (a worker that ended, an acceptor gone)
  TimedOut,  // nothing whole before the deadline
  Broken,    // a read failed, a length is beyond the limit, or more came than asked for
};

// Writes the messages whole, in order; false when the other end is gone.
bool frame_write(int fd, std::initializer_list<std::string_view> messages);
// Reads one message into each of outs, each of at most `limit` bytes.
// deadline_ms is a steady-clock time in milliseconds (frame_now_ms), or -1
// to wait for ever.
FrameRead frame_read(int fd, std::initializer_list<std::string*> outs, int64_t deadline_ms, size_t limit);
int64_t frame_now_ms();
