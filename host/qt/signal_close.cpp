#include "host/qt/signal_close.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace {
int pipe_ends[2] = {-1, -1};

void on_signal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(pipe_ends[1], &byte, 1);  // async-signal-safe
}
}  // namespace

void close_on_signals(QWidget* device_window) {
  if (pipe_ends[0] < 0) {
    if (pipe(pipe_ends) != 0) return;
    for (int fd : pipe_ends) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    for (int fd : pipe_ends) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  auto* notifier = new QSocketNotifier(pipe_ends[0], QSocketNotifier::Read, device_window);
  QObject::connect(notifier, &QSocketNotifier::activated, device_window, [window = QPointer<QWidget>(device_window)] {
    char buffer[16];
    while (read(pipe_ends[0], buffer, sizeof buffer) > 0) {
    }
    if (window) window->close();
  });
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}
