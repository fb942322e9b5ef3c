// The service's counters, read by GET /metrics in the Prometheus text format:
// requests by status, errors, the render latency histogram, renders in
// flight, requests queued for a worker, workers alive and restarted. Every
// count is an atomic: the HTTP threads update them side by side.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

class Metrics {
 public:
  // Any request answered (the status it got).
  void count_request(int status);
  // A render's whole time in the service, from its request to its answer.
  void observe_render(double seconds);

  std::atomic<int64_t> in_flight{0};
  std::atomic<int64_t> queued{0};
  std::atomic<int64_t> workers_alive{0};
  std::atomic<uint64_t> worker_restarts{0};

  std::string text() const;

 private:
  static constexpr std::array<int, 13> kStatuses = {200, 400, 404, 405, 406, 408, 413, 415, 422, 429, 500, 503, 0};
  static constexpr std::array<double, 12> kBuckets = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05,
                                                      0.1,   0.2,   0.5,   1,    2,    5};
  std::array<std::atomic<uint64_t>, kStatuses.size()> requests_{};
  std::array<std::atomic<uint64_t>, kBuckets.size() + 1> buckets_{};  // the last: +Inf
  std::atomic<uint64_t> render_count_{0};
  std::atomic<uint64_t> render_micros_{0};
};
