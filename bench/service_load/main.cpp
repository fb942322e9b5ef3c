// Load for the render service, side by side with what a user would do
// without it: renders per second of one script through klx80-serve (closed
// loop, keep-alive connections), the same through one klx80-batch process per
// render on a fresh copy of the image (what the service does per render), and
// latency percentiles at a steady rate of 80% of the service's peak (open
// loop: each render's latency counts from when it was due, so a stall shows).
// The service's side is one thread over kept-alive connections (see
// loopback_client.h). Bounded by a count and a time per phase. Run by
// bench/service_bench.sh.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/service_load/loopback_client.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

struct Options {
  int port = 0;
  std::string batch, image, script = "CART:3 TEXT:HELLO PRINT";
  int service_clients = 4, batch_clients = 2, paced_connections = 16;
  double seconds = 5;
  std::vector<double> fractions = {0.8};  // of the peak, for the paced phases
  size_t max_renders = 20000;
  std::string trace;  // the paced phases' renders, one line each: due (ms from the start), latency (ms)
};

using Phase = LoadPhase;

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p / 100.0 * double(v.size())))];
}

// `threads` threads each run `one` until the count or the time is used up.
template <class One>
Phase closed_loop(int threads, const Options& o, One one) {
  Phase phase;
  std::mutex mutex;
  std::atomic<size_t> started{0};
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.seconds));
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      auto state = one.begin(t);
      while (Clock::now() < end && started.fetch_add(1) < o.max_renders) {
        const auto t0 = Clock::now();
        const bool ok = one.run(state);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        std::lock_guard<std::mutex> lock(mutex);
        (ok ? phase.ok : phase.failed)++;
        phase.latencies_ms.push_back(ms);
      }
    });
  for (auto& t : pool) t.join();
  phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return phase;
}

// One klx80-batch process per render, on a fresh copy of the template,
// writing the tape's PNG that is then read back, as a client would.
struct BatchRender {
  const Options& o;
  std::string dir;
  std::string begin(int t) const { return dir + "/client" + std::to_string(t); }
  bool run(const std::string& base) const {
    const std::string image = base + ".hex", png = base + ".png";
    std::filesystem::copy_file(o.image, image, std::filesystem::copy_options::overwrite_existing);
    std::vector<std::string> args = {o.batch, "--flash", image, "--keys", o.script, "--tape-png", png};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, o.batch.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(png, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && bytes.size() > 8;
  }
};

// The service's renders: closed loop (each connection sends again at its
// answer) or due at a steady rate, each one's latency then counted from when
// it was due, so that a stall shows.
Phase service_phase(const Options& o, int connections, double rate) {
  LoadPlan plan;
  plan.port = o.port;
  plan.script = o.script;
  plan.connections = connections;
  plan.seconds = o.seconds;
  plan.max_renders = o.max_renders;
  plan.rate = rate;
  return loopback_load(plan);
}

// The machine's CPU time so far, in clock ticks: all of it, and what the host
// stole for its other guests (a shared host's dips in capacity show here).
std::pair<uint64_t, uint64_t> cpu_ticks() {
  std::ifstream stat("/proc/stat");
  std::string cpu;
  uint64_t total = 0, steal = 0, value = 0;
  stat >> cpu;
  // user nice system idle iowait irq softirq steal (guest time is in user's)
  for (int field = 1; field <= 8 && stat >> value; ++field) {
    total += value;
    if (field == 8) steal = value;
  }
  return {total, steal};
}

// A phase, with the share of CPU time stolen while it ran.
template <class Run>
Phase measured(Run run) {
  const auto [total0, steal0] = cpu_ticks();
  Phase phase = run();
  const auto [total1, steal1] = cpu_ticks();
  if (total1 > total0) phase.stolen_percent = 100.0 * double(steal1 - steal0) / double(total1 - total0);
  return phase;
}

void row(const char* what, const Phase& p) {
  std::printf("%-44s %8zu %6zu %9.1f %8.2f %8.2f %8.2f %8.2f %7.1f%%\n", what, p.ok, p.failed, p.rate(),
              percentile(p.latencies_ms, 50), percentile(p.latencies_ms, 90), percentile(p.latencies_ms, 99),
              percentile(p.latencies_ms, 100), p.stolen_percent);
}
}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i], v = argv[i + 1];
    // clang-format off
    if (a == "--port") o.port = std::atoi(v.c_str());
    else if (a == "--batch") o.batch = v;
    else if (a == "--image") o.image = v;
    else if (a == "--script") o.script = v;
    else if (a == "--seconds") o.seconds = std::atof(v.c_str());
    else if (a == "--max") o.max_renders = size_t(std::atol(v.c_str()));
    else if (a == "--service-clients") o.service_clients = std::atoi(v.c_str());
    else if (a == "--batch-clients") o.batch_clients = std::atoi(v.c_str());
    else if (a == "--paced-connections") o.paced_connections = std::atoi(v.c_str());
    else if (a == "--trace") o.trace = v;
    // clang-format on
    else if (a == "--fractions") {
      o.fractions.clear();
      for (size_t at = 0; at < v.size(); at = v.find(',', at) == std::string::npos ? v.size() : v.find(',', at) + 1)
        o.fractions.push_back(std::atof(v.c_str() + at));
    } else {
      std::fprintf(stderr, "service_load: unknown argument %s\n", a.c_str());
      return 2;
    }
  }
  if (!o.port || o.batch.empty() || o.image.empty()) {
    std::fprintf(stderr,
                 "usage: service_load --port N --batch KLX80_BATCH --image IMAGE [--script TOKENS] "
                 "[--seconds S] [--max N] [--service-clients N] [--batch-clients N] [--paced-connections N] "
                 "[--fractions 0.5,0.8] [--trace FILE]\n");
    return 2;
  }
  const std::string dir = std::filesystem::temp_directory_path() / ("klx80-service-load-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);

  Options warm = o;
  warm.seconds = 1, warm.max_renders = 50;
  service_phase(warm, o.service_clients, 0);
  const Phase service = measured([&] { return service_phase(o, o.service_clients, 0); });
  const Phase batch = measured([&] { return closed_loop(o.batch_clients, o, BatchRender{o, dir}); });
  std::vector<Phase> paced;
  for (double f : o.fractions)
    paced.push_back(measured([&] { return service_phase(o, o.paced_connections, f * service.rate()); }));
  // The peak once more: on a shared machine the capacity the paced phases
  // had may differ from the one the first peak found.
  const Phase again = measured([&] { return service_phase(o, o.service_clients, 0); });
  std::filesystem::remove_all(dir);
  if (!o.trace.empty()) {
    std::ofstream trace(o.trace);
    for (size_t i = 0; i < paced.size(); ++i) {
      auto renders = paced[i].due_and_latency_ms;
      std::sort(renders.begin(), renders.end());
      trace << "# " << o.fractions[i] << " of the peak: due ms, latency ms\n";
      for (const auto& [due, ms] : renders) trace << due << ' ' << ms << '\n';
    }
  }

  std::printf("script: %s\n", o.script.c_str());
  std::printf("%-44s %8s %6s %9s %8s %8s %8s %8s %8s\n", "", "renders", "failed", "per s", "p50 ms", "p90 ms", "p99 ms",
              "max ms", "stolen");
  char what[80];
  std::snprintf(what, sizeof what, "klx80-serve, %d clients (peak)", o.service_clients);
  row(what, service);
  std::snprintf(what, sizeof what, "klx80-batch per render, %d at a time", o.batch_clients);
  row(what, batch);
  bool failed = service.failed || batch.failed;
  for (size_t i = 0; i < paced.size(); ++i) {
    std::snprintf(what, sizeof what, "klx80-serve at %.0f/s (%.0f%% of peak)", o.fractions[i] * service.rate(),
                  100 * o.fractions[i]);
    row(what, paced[i]);
    failed = failed || paced[i].failed;
  }
  std::snprintf(what, sizeof what, "klx80-serve, %d clients (peak again, after)", o.service_clients);
  row(what, again);
  failed = failed || again.failed;
  std::printf("throughput ratio (service / batch per render): %.1fx\n",
              batch.rate() > 0 ? service.rate() / batch.rate() : 0.0);
  return failed ? 1 : 0;
}
