#include "service/metrics.h"

#include <cstdio>

void Metrics::count_request(int status) {
  size_t i = 0;
  while (i + 1 < kStatuses.size() && kStatuses[i] != status) ++i;  // the last counts any other
  requests_[i].fetch_add(1, std::memory_order_relaxed);
}

void Metrics::observe_render(double seconds) {
  size_t i = 0;
  while (i < kBuckets.size() && seconds > kBuckets[i]) ++i;
  buckets_[i].fetch_add(1, std::memory_order_relaxed);
  render_count_.fetch_add(1, std::memory_order_relaxed);
  render_micros_.fetch_add(uint64_t(seconds * 1e6 + 0.5), std::memory_order_relaxed);
}

std::string Metrics::text() const {
  std::string out;
  char line[160];
  auto add = [&](const char* format, auto... values) {
    std::snprintf(line, sizeof line, format, values...);
    out += line;
  };
  out += "# HELP klx80_requests_total HTTP requests answered, by status.\n# TYPE klx80_requests_total counter\n";
  uint64_t errors = 0;
  for (size_t i = 0; i < kStatuses.size(); ++i) {
    const uint64_t n = requests_[i].load(std::memory_order_relaxed);
    if (kStatuses[i] == 0)
      add("klx80_requests_total{code=\"other\"} %llu\n", (unsigned long long)n);
    else
      add("klx80_requests_total{code=\"%d\"} %llu\n", kStatuses[i], (unsigned long long)n);
    if (kStatuses[i] >= 400 || kStatuses[i] == 0) errors += n;
  }
  out += "# HELP klx80_request_errors_total Requests answered with a status of 400 or more.\n"
         "# TYPE klx80_request_errors_total counter\n";
  add("klx80_request_errors_total %llu\n", (unsigned long long)errors);
  out += "# HELP klx80_render_duration_seconds Time from a render request to its answer.\n"
         "# TYPE klx80_render_duration_seconds histogram\n";
  uint64_t cumulative = 0;
  for (size_t i = 0; i <= kBuckets.size(); ++i) {
    cumulative += buckets_[i].load(std::memory_order_relaxed);
    if (i < kBuckets.size())
      add("klx80_render_duration_seconds_bucket{le=\"%g\"} %llu\n", kBuckets[i], (unsigned long long)cumulative);
    else
      add("klx80_render_duration_seconds_bucket{le=\"+Inf\"} %llu\n", (unsigned long long)cumulative);
  }
  add("klx80_render_duration_seconds_sum %.6f\n", double(render_micros_.load(std::memory_order_relaxed)) / 1e6);
  add("klx80_render_duration_seconds_count %llu\n", (unsigned long long)render_count_.load(std::memory_order_relaxed));
  const struct {
    const char *name, *type, *help;
    int64_t value;
  } gauges[] = {
      {"klx80_renders_in_flight", "gauge", "Renders a worker is running now.", in_flight.load()},
      {"klx80_requests_queued", "gauge", "Render requests waiting for a free worker.", queued.load()},
      {"klx80_workers", "gauge", "Worker processes alive.", workers_alive.load()},
      {"klx80_worker_restarts_total", "counter", "Workers started again after one died or was stopped.",
       int64_t(worker_restarts.load())},
  };
  for (const auto& g : gauges) {
    add("# HELP %s %s\n", g.name, g.help);
    add("# TYPE %s %s\n", g.name, g.type);
    add("%s %lld\n", g.name, (long long)g.value);
  }
  return out;
}
