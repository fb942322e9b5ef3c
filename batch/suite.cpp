#include "batch/suite.h"

#include <fnmatch.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "batch/golden.h"
#include "batch/suite_case.h"
#include "batch/suite_report.h"
#include "host/files/exit_status.h"
#include "host/files/output_file.h"
#include "host/seam/flash_image.h"

namespace fs = std::filesystem;
using nlohmann::ordered_json;

namespace {
int run_failed(const std::string& message) {
  std::fprintf(stderr, "klx80-batch: --suite: %s\n", message.c_str());
  return kExitFailed;
}

int bad_arguments(const std::string& message) {
  std::fprintf(stderr, "klx80-batch: %s\n", message.c_str());
  return 2;
}

ordered_json to_json(const SuiteResult& r) {
  return ordered_json{{"name", r.name}, {"ok", r.ok}, {"seconds", r.seconds}, {"messages", r.messages}};
}

SuiteResult from_json(const ordered_json& j) {
  SuiteResult r;
  r.name = j.at("name").get<std::string>();
  r.ok = j.at("ok").get<bool>();
  r.seconds = j.at("seconds").get<double>();
  r.messages = j.at("messages").get<std::vector<std::string>>();
  return r;
}

SuiteRun run_for(const SuiteOptions& o, int worker) {
  return SuiteRun{o.flash, o.work, (fs::path(o.work) / (".image-" + std::to_string(worker) + ".hex")).string(),
                  o.rebaseline, o.dir};
}

void run_here(const SuiteOptions& o, const std::vector<SuiteCase>& cases, std::vector<SuiteResult>& results,
              SuiteProgress& progress) {
  SuiteShared shared;
  const SuiteRun run = run_for(o, 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    results[i] = suite_run_case(cases[i], run, shared);
    progress.done(results[i]);
  }
  std::error_code ec;
  fs::remove(run.scratch_image, ec);
}

bool write_all(int fd, const std::string& data) {
  for (size_t done = 0; done < data.size();) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// The firmware is one instance per process, so parallel cases need processes.
// Each worker takes the next case from a counter they share, says which it
// starts ({"start": i}) and sends back a JSON line per case ("index" added).
// Workers are forked before any device thread starts. A case whose worker
// dies, or runs past the timeout (its worker is then killed), is reported
// failed, and a new worker carries on with the rest.
struct Worker {
  pid_t pid = -1;
  int fd = -1;
  std::string pending;
  long current = -1;  // the case it runs, -1 none
  std::chrono::steady_clock::time_point started;
};

class WorkerPool {
 public:
  WorkerPool(const SuiteOptions& o, const std::vector<SuiteCase>& cases, std::vector<SuiteResult>& results,
             SuiteProgress& progress, std::atomic<size_t>* next)
      : o_(o), cases_(cases), results_(results), progress_(progress), next_(next), reported_(cases.size(), false) {}

  bool start() {
    for (int w = 0; w < o_.jobs; ++w) spawn(w);
    return !workers_.empty();
  }

  void run() {
    while (open() > 0) {
      std::vector<pollfd> fds;
      std::vector<Worker*> polled;
      for (Worker& w : workers_)
        if (w.fd >= 0) {
          fds.push_back(pollfd{w.fd, POLLIN, 0});
          polled.push_back(&w);
        }
      if (poll(fds.data(), fds.size(), wait_ms()) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (size_t k = 0; k < fds.size(); ++k)
        if (fds[k].revents) read_from(*polled[k]);
      kill_overdue();
    }
    for (const Worker& w : workers_) {
      int status = 0;
      waitpid(w.pid, &status, 0);
    }
    for (size_t i = 0; i < cases_.size(); ++i)
      if (!reported_[i]) fail(i, "its worker process ended before the case did (a crash)");
  }

 private:
  size_t open() const {
    size_t n = 0;
    for (const Worker& w : workers_) n += w.fd >= 0;
    return n;
  }

  void spawn(int slot) {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      for (const Worker& other : workers_)
        if (other.fd >= 0) close(other.fd);
      SuiteShared shared;
      const SuiteRun run = run_for(o_, slot);
      for (size_t i; (i = next_->fetch_add(1)) < cases_.size();) {
        if (!write_all(fds[1], ordered_json{{"start", i}}.dump() + "\n")) break;
        ordered_json j = to_json(suite_run_case(cases_[i], run, shared));
        j["index"] = i;
        if (!write_all(fds[1], j.dump() + "\n")) break;
      }
      std::error_code ec;
      fs::remove(run.scratch_image, ec);
      _exit(0);
    }
    close(fds[1]);
    if (pid < 0) {
      close(fds[0]);
      return;
    }
    Worker w;
    w.pid = pid, w.fd = fds[0];
    workers_.push_back(std::move(w));
    slots_.push_back(slot);
  }

  void read_from(Worker& w) {
    char buffer[65536];
    const ssize_t n = read(w.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {  // the worker is done (or gone)
      close(w.fd);
      w.fd = -1;
      return;
    }
    w.pending.append(buffer, size_t(n));
    for (size_t end; (end = w.pending.find('\n')) != std::string::npos; w.pending.erase(0, end + 1)) {
      const ordered_json j = ordered_json::parse(w.pending.substr(0, end), nullptr, false);
      if (j.is_discarded()) continue;
      if (j.contains("start")) {
        w.current = j["start"].get<long>();
        w.started = std::chrono::steady_clock::now();
        continue;
      }
      if (!j.contains("index")) continue;
      const size_t i = j["index"].get<size_t>();
      if (i >= cases_.size()) continue;
      w.current = -1;
      results_[i] = from_json(j);
      reported_[i] = true;
      progress_.done(results_[i]);
    }
  }

  int wait_ms() const {
    if (o_.timeout <= 0) return -1;
    double least = o_.timeout;
    const auto now = std::chrono::steady_clock::now();
    for (const Worker& w : workers_)
      if (w.fd >= 0 && w.current >= 0)
        least = std::min(least, o_.timeout - std::chrono::duration<double>(now - w.started).count());
    return std::max(0, int(least * 1000) + 1);
  }

  // A case past its time: its worker is killed, the case failed, and a new
  // worker takes its place for the cases left.
  void kill_overdue() {
    if (o_.timeout <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    for (size_t k = 0; k < workers_.size(); ++k) {
      Worker& w = workers_[k];
      if (w.fd < 0 || w.current < 0 || std::chrono::duration<double>(now - w.started).count() < o_.timeout) continue;
      kill(w.pid, SIGKILL);
      close(w.fd);
      w.fd = -1;
      char limit[32];
      std::snprintf(limit, sizeof limit, "%g", o_.timeout);
      fail(size_t(w.current), std::string("ran longer than the timeout of ") + limit + " s (--timeout); stopped");
      results_[size_t(w.current)].seconds = o_.timeout;
      w.current = -1;
      if (next_->load() < cases_.size()) spawn(slots_[k]);
    }
  }

  void fail(size_t i, const std::string& why) {
    results_[i].name = cases_[i].name;
    results_[i].ok = false;
    results_[i].messages = {why};
    reported_[i] = true;
    progress_.done(results_[i]);
  }

  const SuiteOptions& o_;
  const std::vector<SuiteCase>& cases_;
  std::vector<SuiteResult>& results_;
  SuiteProgress& progress_;
  std::atomic<size_t>* next_;
  std::vector<bool> reported_;
  std::vector<Worker> workers_;  // a killed worker stays, closed, to be waited for
  std::vector<int> slots_;       // each worker's scratch image number
};

void run_in_workers(const SuiteOptions& o, const std::vector<SuiteCase>& cases, std::vector<SuiteResult>& results,
                    SuiteProgress& progress) {
  void* shared = mmap(nullptr, sizeof(std::atomic<size_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return run_here(o, cases, results, progress);
  auto* next = new (shared) std::atomic<size_t>(0);
  static_assert(std::atomic<size_t>::is_always_lock_free);
  {
    WorkerPool pool(o, cases, results, progress, next);
    if (pool.start())
      pool.run();
    else
      run_here(o, cases, results, progress);
  }
  munmap(shared, sizeof(std::atomic<size_t>));
}

// The cases a run takes: those matching a filter (all without one), then
// every shards-th of them from the shard-th on. Every machine sorts the same
// names the same way, so the shares of one checkout never overlap and cover
// every case; dealing them out in turn keeps the shares even.
std::vector<SuiteCase> chosen(const std::vector<SuiteCase>& all, const SuiteOptions& o) {
  std::vector<SuiteCase> matching;
  for (const SuiteCase& c : all) {
    bool keep = o.filters.empty();
    for (const std::string& glob : o.filters) keep = keep || fnmatch(glob.c_str(), c.name.c_str(), 0) == 0;
    if (keep) matching.push_back(c);
  }
  std::vector<SuiteCase> share;
  for (size_t i = size_t(o.shard - 1); i < matching.size(); i += size_t(o.shards)) share.push_back(matching[i]);
  return share;
}

bool inside(const fs::path& path, const fs::path& dir) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec), d = fs::weakly_canonical(dir, ec);
  const auto [dir_end, p_end] = std::mismatch(d.begin(), d.end(), p.begin(), p.end());
  return dir_end == d.end();
}
}  // namespace

bool suite_parse_shard(const std::string& text, int& shard, int& shards) {
  int k = 0, n = 0, used = 0;
  if (std::sscanf(text.c_str(), "%d/%d%n", &k, &n, &used) != 2 || size_t(used) != text.size()) return false;
  if (k < 1 || n < 1 || k > n || n > 1000) return false;
  shard = k, shards = n;
  return true;
}

int suite_main(const SuiteOptions& options) {
  SuiteOptions o = options;
  o.rebaseline = o.rebaseline || golden::rebaseline_from_env();
  std::error_code ec;
  if (!fs::is_directory(o.dir, ec)) return bad_arguments("--suite '" + o.dir + "' is not a directory");
  if (inside(o.work, o.dir))
    return bad_arguments("--work '" + o.work + "' lies in the suite '" + o.dir + "'; outputs would mix with goldens");
  if (FlashImageCheck check = flash_image_inspect(o.flash); check.verdict == FlashImageVerdict::Refused)
    return bad_arguments(check.message);
  const std::vector<SuiteCase> all = suite_find_cases(o.dir);
  if (all.empty()) return bad_arguments("no case folder (one holding keys.txt) under '" + o.dir + "'");
  const std::vector<SuiteCase> cases = chosen(all, o);
  if (o.list) {
    for (const SuiteCase& c : cases) std::printf("%s\n", c.name.c_str());
    return 0;
  }
  // A filter that matches nothing is a mistake; an empty share of a small
  // suite is not (more machines than cases).
  if (cases.empty() && !o.filters.empty())
    return bad_arguments("no case of '" + o.dir + "' matches --filter " + o.filters.front());
  // The outputs of an earlier run go; a folder that holds anything else is
  // not taken for one.
  if (fs::exists(o.work, ec)) {
    if (!fs::is_directory(o.work, ec) ||
        (!fs::is_empty(o.work, ec) && !fs::exists(fs::path(o.work) / "results.json", ec)))
      return bad_arguments("--work '" + o.work + "' is not empty and holds no results.json of a suite run");
    fs::remove_all(o.work, ec);
  }
  fs::create_directories(o.work, ec);
  if (!fs::is_directory(o.work, ec)) return bad_arguments("cannot make the work folder '" + o.work + "'");
  const fs::path results_file = fs::path(o.work) / "results.json";
  // Marks the folder as a suite's at once, so that a run cut short leaves
  // one the next run may clear.
  const std::string marker = ordered_json{{"suite", o.dir}, {"running", true}}.dump() + "\n";
  if (!output_file_write_bytes(results_file.string(), marker.data(), marker.size()))
    return run_failed("cannot write " + results_file.string());

  const auto start = std::chrono::steady_clock::now();
  std::vector<SuiteResult> results(cases.size());
  SuiteProgress progress(cases.size());
  // A timeout needs a worker to stop: a case cannot be stopped inside the process.
  if ((o.jobs > 1 && cases.size() > 1) || (o.timeout > 0 && !cases.empty()))
    run_in_workers(o, cases, results, progress);
  else
    run_here(o, cases, results, progress);
  progress.end();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  size_t passed = 0;
  ordered_json list = ordered_json::array();
  for (const SuiteResult& r : results) {
    passed += r.ok;
    list.push_back(to_json(r));
    if (r.ok && !o.rebaseline) continue;
    for (const std::string& m : r.messages)
      std::printf("%s %s: %s\n", r.ok ? "ok" : "FAIL", r.name.c_str(), m.c_str());
  }
  const size_t failed = results.size() - passed;
  const ordered_json summary = {{"suite", o.dir},       {"image", o.flash}, {"jobs", o.jobs},
                                {"shard", std::to_string(o.shard) + "/" + std::to_string(o.shards)},
                                {"passed", passed},     {"failed", failed}, {"seconds", seconds},
                                {"rebaseline", o.rebaseline}, {"cases", list}};
  const std::string written = summary.dump(2) + "\n";
  int status = failed ? kExitFailed : kExitOk;
  if (!o.junit.empty() && !suite_write_junit(o.junit, o.dir, results, seconds)) {
    std::fprintf(stderr, "klx80-batch: cannot write the JUnit file '%s'\n", o.junit.c_str());
    status = kExitFailed;
  }
  std::printf("%zu passed, %zu failed\n", passed, failed);
  // A summary that did not reach the disk (or the terminal) is a failed run, whatever the cases did.
  if (!output_file_write_bytes(results_file.string(), written.data(), written.size()))
    return run_failed("cannot write " + results_file.string() + "; the results above are not kept");
  if (!stdout_finished("klx80-batch")) return kExitFailed;
  return status;
}
