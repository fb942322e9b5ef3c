// The accepting process's pool of worker processes. A render takes a free
// worker (or waits in a bounded queue), hands it the job over the worker's
// socket and waits for the answer within the render's time bound. A worker
// that dies is started again: at once when a render finds it dead, and by a
// watcher that looks at the idle ones. One that overruns its bound is killed
// and replaced, and its client gets a 422.
#pragma once
#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/metrics.h"
#include "service/render_job.h"

struct PoolOptions {
  std::string program;  // this executable, started again as a worker
  int workers = 2;
  int max_queue = 16;           // renders waiting for a worker beyond this are answered 429
  int image_fd = -1;            // the template image in a sealed memory file
  int64_t render_ms = 5000;     // wall time a render may take
  uint64_t max_ticks = 360000;  // the device's ticks a render may take (an hour of device time)
};

class WorkerPool {
 public:
  WorkerPool(PoolOptions options, Metrics& metrics);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts every worker; false with the reason when one cannot start.
  bool start(std::string& error);
  // Runs the job on a worker. 429 when the queue is full, 503 when no worker
  // became free in time.
  RenderAnswer render(RenderJob job);
  // Workers alive and idle now, for /healthz.
  int idle() const;

 private:
  struct Worker {
    pid_t pid = -1;
    int fd = -1;
    bool busy = false;
  };
  // A render waiting for a worker; the one that frees a worker hands it to
  // the longest waiting render, so that none is overtaken by later ones, and
  // sends it that render's job at once.
  struct Waiter {
    RenderJob* job = nullptr;
    Worker* worker = nullptr;  // set when the worker is handed over
    bool sent = false;         // its job went to the worker already
    bool ready = false;        // the hand-over is complete
    std::condition_variable handed;
  };
  bool spawn(Worker& w, std::string& error);
  // Kills the worker if it still runs, reaps it and closes its socket;
  // returns its wait status (or -1).
  int retire(Worker& w);
  // Closes the socket of a worker already reaped.
  void forget(Worker& w);
  void replace(Worker& w);
  // The job's bounds from now, and the job to the worker; false when the
  // worker is gone.
  bool send_job(Worker& w, RenderJob& job);
  // The answer to a job (sent already, or sent here first).
  RenderAnswer exchange(Worker& w, RenderJob& job, bool sent);
  void watch();
  // The worker of a render that ended: to the oldest waiter, with its job,
  // or idle.
  void release(Worker& w);
  // With the lock held: an idle worker to the oldest waiter, which sends its
  // job itself.
  void hand_over_locked(Worker& w);

  PoolOptions options_;
  Metrics& metrics_;
  mutable std::mutex mutex_;
  std::vector<Worker> workers_;
  std::deque<Waiter*> waiters_;
  bool stopping_ = false;
  std::condition_variable stop_;
  std::thread watcher_;
};
