#include "batch/serial_remote.h"

#include <csignal>
#include <cstdio>

#include "batch/serial_line.h"
#include "host/session/remote_control.h"
#include "host/session/session.h"

namespace {
volatile std::sig_atomic_t stop_requested = 0;
void request_stop(int) { stop_requested = 1; }
}  // namespace

int serial_remote_run(const std::string& tool, Session& device, const std::string& port) {
  SerialLine line;
  std::string error;
  if (!line.open(port, error)) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), error.c_str());
    return 1;
  }
  // A stop closes the device as the end of the link does: the working label
  // journalled, the image written back.
  struct sigaction stop {};
  stop.sa_handler = request_stop;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);

  bool port_failed = false;
  RemoteControl remote([&](const std::string& answer) { port_failed = port_failed || !line.write_line(answer); });
  std::fprintf(stderr, "%s: remote control on %s; ends when the port hangs up\n", tool.c_str(), port.c_str());
  std::string received;
  while (!stop_requested && !port_failed) {
    const bool busy = remote.queued() > 0 || !device.settled();
    // Busy: take what has come and tick on; idle: wait for the next line.
    if (!line.read(received, busy ? 0 : 250)) break;
    if (!received.empty()) {
      remote.receive(received);
      received.clear();
    }
    if (busy || remote.queued() > 0) {
      device.tick(1);
      remote.after_tick();
    }
  }
  if (port_failed) {
    std::fprintf(stderr, "%s: cannot write to the serial port '%s'\n", tool.c_str(), port.c_str());
    return 1;
  }
  return 0;
}
