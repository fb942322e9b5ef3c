#include "host/qt/signal_close.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <atomic>
#include <csignal>

namespace {
int pipe_ends[2] = {-1, -1};
std::atomic<bool> unattended{false};
constexpr unsigned kCloseSeconds = 2;

// The close took too long (a worker that does not stop): end without it.
void on_alarm(int) {
  static const char text[] = "klx80: the device did not close within 2 s of the signal; ending now\n";
  [[maybe_unused]] ssize_t told = write(2, text, sizeof text - 1);
  _exit(1);
}

void on_signal(int) {
  if (!unattended.exchange(true)) alarm(kCloseSeconds);  // async-signal-safe, as is all here
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(pipe_ends[1], &byte, 1);
}
}  // namespace

bool closing_unattended() { return unattended.load(); }
void set_closing_unattended() { unattended.store(true); }

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
    // A box open now (a question, a warning) would hold the close: no one answers it.
    for (int n = 0; n < 8; ++n) {
      auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!box) break;
      box->reject();
    }
    if (window) window->close();
  });
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
  action.sa_handler = on_alarm;
  sigaction(SIGALRM, &action, nullptr);
}
