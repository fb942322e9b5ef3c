#include "bench/service_load/loopback_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace {
using Clock = std::chrono::steady_clock;

// A service that answers nothing for this long has stopped: the phase ends.
constexpr auto kSilence = std::chrono::seconds(30);

struct Connection {
  int fd = -1;
  bool busy = false;
  Clock::time_point due;  // of the render in flight: when it was due, or sent
  std::string in;
};

int connect_to(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(uint16_t(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

bool starts_with_nocase(std::string_view line, std::string_view name) {
  return line.size() >= name.size() && std::equal(name.begin(), name.end(), line.begin(), [](char n, char l) {
           return n == std::tolower(static_cast<unsigned char>(l));
         });
}

// A whole answer at the front of `in`: its length (0 while it is not all
// there), status, body size, and whether the server closes after it.
struct Answer {
  size_t length = 0;
  int status = 0;
  size_t body = 0;
  bool closes = false;
};

Answer whole_answer(const std::string& in) {
  Answer a;
  const size_t end = in.find("\r\n\r\n");
  if (end == std::string::npos || end < 12) return a;
  size_t body = 0;
  for (size_t line = in.find("\r\n") + 2; line < end;) {
    const size_t next = in.find("\r\n", line);
    const std::string_view header(in.data() + line, next - line);
    if (starts_with_nocase(header, "content-length:")) body = std::strtoull(header.data() + 15, nullptr, 10);
    if (starts_with_nocase(header, "connection:") && header.find("close") != std::string_view::npos) a.closes = true;
    line = next + 2;
  }
  if (in.size() < end + 4 + body) return a;
  a.length = end + 4 + body;
  a.status = std::atoi(in.c_str() + 9);  // "HTTP/1.1 200 OK"
  a.body = body;
  return a;
}
}  // namespace

LoadPhase loopback_load(const LoadPlan& plan) {
  LoadPhase phase;
  const std::string request =
      "POST /v1/render HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
      "Content-Length: " +
      std::to_string(plan.script.size()) + "\r\n\r\n" + plan.script;
  const int poller = epoll_create1(EPOLL_CLOEXEC);
  std::vector<Connection> connections(size_t(std::max(1, plan.connections)));
  std::vector<size_t> idle;
  // (Re)opens connection k, idle. False when the service cannot be reached.
  auto open = [&](size_t k) {
    Connection& c = connections[k];
    if (c.fd >= 0) close(c.fd);  // which also takes it out of the poller
    c = Connection{};
    c.fd = connect_to(plan.port);
    if (c.fd < 0) return false;
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = k;
    epoll_ctl(poller, EPOLL_CTL_ADD, c.fd, &e);
    idle.push_back(k);
    return true;
  };
  bool reachable = poller >= 0;
  for (size_t k = 0; k < connections.size() && reachable; ++k) reachable = open(k);

  const bool paced = plan.rate > 0;
  const size_t count = paced ? std::min(plan.max_renders, size_t(plan.rate * plan.seconds)) : plan.max_renders;
  const auto start = Clock::now() + std::chrono::milliseconds(paced ? 20 : 0);
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(plan.seconds));
  auto due_of = [&](size_t i) {
    return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(i) / plan.rate));
  };
  auto record = [&](const Connection& c, bool ok, Clock::time_point now) {
    (ok ? phase.ok : phase.failed)++;
    const double ms = std::chrono::duration<double, std::milli>(now - c.due).count();
    phase.latencies_ms.push_back(ms);
    if (paced)
      phase.due_and_latency_ms.emplace_back(std::chrono::duration<double, std::milli>(c.due - start).count(), ms);
  };

  size_t issued = 0;
  auto last_answer = Clock::now();
  while (reachable) {
    auto now = Clock::now();
    // Every render now due (or, closed loop, one a connection) goes out on an idle connection.
    while (!idle.empty() && issued < count && (paced ? due_of(issued) <= now : now < end)) {
      const size_t k = idle.back();
      idle.pop_back();
      Connection& c = connections[k];
      c.busy = true;
      c.due = paced ? due_of(issued) : now;
      ++issued;
      if (!send_all(c.fd, request)) {
        record(c, false, now);
        reachable = open(k);
      }
    }
    const bool more = issued < count && (paced || now < end);
    if (!more && idle.size() == connections.size()) break;
    if (now - last_answer > kSilence) {
      phase.failed += issued - phase.ok - phase.failed;
      break;
    }
    // Until the next render is due (when a connection is free for it), or an answer comes.
    timespec wait{1, 0};
    if (paced && more && !idle.empty()) {
      const auto left = std::max(Clock::duration::zero(), due_of(issued) - now);
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      wait = {time_t(ns / 1000000000), long(ns % 1000000000)};
    }
    epoll_event events[64];
    const int n = epoll_pwait2(poller, events, 64, &wait, nullptr);
    now = Clock::now();
    for (int e = 0; e < n; ++e) {
      const size_t k = size_t(events[e].data.u64);
      Connection& c = connections[k];
      char buffer[64 * 1024];
      const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {  // closed by the service: a render in flight is lost
        if (c.busy) record(c, false, now);
        std::erase(idle, k);
        reachable = open(k);
        continue;
      }
      c.in.append(buffer, size_t(got));
      const Answer a = whole_answer(c.in);
      if (!a.length) continue;
      record(c, a.status == 200 && a.body > 8, now);
      last_answer = now;
      c.in.erase(0, a.length);
      c.busy = false;
      if (a.closes)
        reachable = open(k);
      else
        idle.push_back(k);
    }
  }
  phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!reachable) ++phase.failed;  // the service could not be reached (again)
  for (Connection& c : connections)
    if (c.fd >= 0) close(c.fd);
  if (poller >= 0) close(poller);
  return phase;
}
