#include "service/worker_pool.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "service/frames.h"
#include "service/worker.h"

extern char** environ;

namespace {
// A worker past its bound gets this long to answer on its own (it checks
// the bound between tokens) before it is killed.
constexpr int64_t kGraceMs = 1000;
// An answer is at most the largest PDF or PNG of a tape; far more is a fault.
constexpr size_t kAnswerLimit = 256u << 20;

// Moves fd above the descriptors a worker is started with, close-on-exec.
int high_fd(int fd) {
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
  close(fd);
  return moved;
}

std::string ended_how(int status) {
  if (status < 0) return "ended";
  if (WIFSIGNALED(status)) return std::string("was killed by signal ") + strsignal(WTERMSIG(status));
  return "exited with status " + std::to_string(WEXITSTATUS(status));
}
}  // namespace

WorkerPool::WorkerPool(PoolOptions options, Metrics& metrics)
    : options_(std::move(options)), metrics_(metrics), workers_(size_t(std::max(1, options_.workers))) {}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (Waiter* waiter : waiters_) waiter->handed.notify_one();
  }
  stop_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  for (Worker& w : workers_) retire(w);
}

bool WorkerPool::spawn(Worker& w, std::string& error) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    error = std::string("socketpair: ") + std::strerror(errno);
    return false;
  }
  const int mine = high_fd(pair[0]), theirs = high_fd(pair[1]);
  // The worker gets its socket and the image at fixed numbers and nothing
  // else: no client's socket, no listening socket.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, theirs, WORKER_SOCKET_FD);
  posix_spawn_file_actions_adddup2(&actions, options_.image_fd, WORKER_IMAGE_FD);
  posix_spawn_file_actions_addclosefrom_np(&actions, WORKER_IMAGE_FD + 1);
  // It starts with no signal blocked and none ignored (the acceptor blocks
  // SIGINT and SIGTERM for its own thread and ignores SIGPIPE).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const std::string flag = "--worker";
  char* argv[] = {const_cast<char*>(options_.program.c_str()), const_cast<char*>(flag.c_str()), nullptr};
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, options_.program.c_str(), &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(theirs);
  if (failed) {
    close(mine);
    error = "cannot start a worker (" + options_.program + "): " + std::strerror(failed);
    return false;
  }
  w.pid = pid;
  w.fd = mine;
  metrics_.workers_alive.fetch_add(1);
  return true;
}

int WorkerPool::retire(Worker& w) {
  int status = -1;
  if (w.pid > 0 && waitpid(w.pid, &status, WNOHANG) == 0) {
    kill(w.pid, SIGKILL);
    waitpid(w.pid, &status, 0);
  }
  forget(w);
  return status;
}

void WorkerPool::forget(Worker& w) {
  if (w.fd >= 0) close(w.fd);
  if (w.pid > 0) metrics_.workers_alive.fetch_sub(1);
  w.pid = -1;
  w.fd = -1;
}

void WorkerPool::replace(Worker& w) {
  retire(w);
  std::string error;
  if (spawn(w, error))
    metrics_.worker_restarts.fetch_add(1);
  else
    std::fprintf(stderr, "klx80-serve: %s\n", error.c_str());
}

bool WorkerPool::start(std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Worker& w : workers_)
    if (!spawn(w, error)) return false;
  watcher_ = std::thread([this] { watch(); });
  return true;
}

// Idle workers that died (killed from outside, out of memory) are started
// again before a render needs them.
void WorkerPool::watch() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    stop_.wait_for(lock, std::chrono::milliseconds(200));
    for (Worker& w : workers_) {
      if (w.busy || stopping_) continue;
      int status = 0;
      if (w.pid > 0 && waitpid(w.pid, &status, WNOHANG) != w.pid) continue;
      if (w.pid > 0) {
        std::fprintf(stderr, "klx80-serve: worker %d %s; starting another\n", int(w.pid), ended_how(status).c_str());
        forget(w);  // reaped just now
      }
      std::string error;
      if (spawn(w, error))
        metrics_.worker_restarts.fetch_add(1);
      else
        std::fprintf(stderr, "klx80-serve: %s\n", error.c_str());
    }
    for (Worker& w : workers_)
      if (!w.busy && w.pid > 0 && !waiters_.empty()) {
        w.busy = true;
        hand_over_locked(w);
      }
  }
}

void WorkerPool::hand_over_locked(Worker& w) {
  if (waiters_.empty() || stopping_) {
    w.busy = false;
    return;
  }
  Waiter* next = waiters_.front();
  waiters_.pop_front();
  next->worker = &w;
  next->ready = true;
  next->handed.notify_one();
}

void WorkerPool::release(Worker& w) {
  Waiter* next = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (waiters_.empty() || stopping_) {
      w.busy = false;
      return;
    }
    next = waiters_.front();
    waiters_.pop_front();
    next->worker = &w;
  }
  // This thread is awake already: the worker gets its next job without
  // waiting for the next render's thread to wake first.
  const bool sent = send_job(w, *next->job);
  // Told under the lock: once it sees ready, the waiter (and its condition
  // variable) may be gone.
  std::lock_guard<std::mutex> lock(mutex_);
  next->sent = sent;
  next->ready = true;
  next->handed.notify_one();
}

int WorkerPool::idle() const {
  std::lock_guard<std::mutex> lock(mutex_);
  int n = 0;
  for (const Worker& w : workers_) n += !w.busy && w.pid > 0;
  return n;
}

RenderAnswer WorkerPool::render(RenderJob job) {
  Worker* w = nullptr;
  bool sent = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    auto free_worker = [&]() -> Worker* {
      for (Worker& c : workers_)
        if (!c.busy && c.pid > 0) return &c;
      return nullptr;
    };
    if (waiters_.empty()) w = free_worker();
    if (w) {
      w->busy = true;
    } else {
      if (waiters_.size() >= size_t(options_.max_queue))
        return render_error(429, "all " + std::to_string(workers_.size()) + " workers are busy and " +
                                     std::to_string(waiters_.size()) + " renders wait; try again shortly");
      Waiter me;
      me.job = &job;
      waiters_.push_back(&me);
      metrics_.queued.fetch_add(1);
      // A queued render waits at most as long as the queue ahead of it could take.
      const auto patience = std::chrono::milliseconds((options_.render_ms + kGraceMs) *
                                                      (1 + int64_t(options_.max_queue) / int64_t(workers_.size())));
      me.handed.wait_for(lock, patience, [&] { return me.ready || stopping_; });
      // Handed over just now: the job is on its way to the worker.
      if (me.worker) me.handed.wait(lock, [&] { return me.ready; });
      metrics_.queued.fetch_sub(1);
      if (!me.worker) {
        waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &me));
        return render_error(503, "no worker became free in time");
      }
      w = me.worker;
      sent = me.sent;
    }
  }
  metrics_.in_flight.fetch_add(1);
  RenderAnswer answer = exchange(*w, job, sent);
  metrics_.in_flight.fetch_sub(1);
  release(*w);
  return answer;
}

bool WorkerPool::send_job(Worker& w, RenderJob& job) {
  job.deadline_ms = frame_now_ms() + options_.render_ms;
  job.max_ticks = options_.max_ticks;
  return w.fd >= 0 && frame_write(w.fd, {render_job_settings(job), job.script});
}

// The job to the worker and its answer back. A worker that ends without an
// answer (killed from outside just as the job came, or by the job itself) is
// replaced and the job, a pure function of its request, given once more to
// the new one; a second end is the job's and answers 500.
RenderAnswer WorkerPool::exchange(Worker& w, RenderJob& job, bool sent) {
  for (int attempt = 0;; ++attempt) {
    if (w.fd < 0) replace(w);
    if (w.fd < 0) return render_error(503, "no worker could take the render");
    std::string head, body;
    FrameRead r = (attempt == 0 && sent) || send_job(w, job) ? FrameRead::Ok : FrameRead::Closed;
    if (r == FrameRead::Ok) r = frame_read(w.fd, {&head, &body}, job.deadline_ms + kGraceMs, kAnswerLimit);
    if (r == FrameRead::TimedOut) {
      std::fprintf(stderr, "klx80-serve: worker %d passed the render's time bound; replacing it\n", int(w.pid));
      replace(w);
      return render_error(
          422, "the script runs past the render's time bound of " + std::to_string(options_.render_ms) + " ms");
    }
    if (r != FrameRead::Ok) {
      const pid_t pid = w.pid;
      const int status = retire(w);
      replace(w);
      std::fprintf(stderr, "klx80-serve: worker %d %s during a render\n", int(pid), ended_how(status).c_str());
      // A device switched off by its script ends its worker with status 3.
      if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 3)
        return render_error(422, "the script switched the device off");
      if (attempt == 0) continue;
      return render_error(500, "the render's worker " + ended_how(status));
    }
    const nlohmann::json h = nlohmann::json::parse(head, nullptr, false);
    if (!h.is_object() || !h.contains("status") || !h.contains("type")) {
      replace(w);
      return render_error(500, "the worker's answer could not be read");
    }
    return {h["status"].get<int>(), h["type"].get<std::string>(), std::move(body)};
  }
}
