#include "batch/suite.h"

#include <poll.h>
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

void run_here(const SuiteOptions& o, const std::vector<SuiteCase>& cases, std::vector<SuiteResult>& results) {
  SuiteShared shared;
  const SuiteRun run = run_for(o, 0);
  for (size_t i = 0; i < cases.size(); ++i) results[i] = suite_run_case(cases[i], run, shared);
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
// Each worker takes the next case from a counter they share and sends back a
// JSON line per case ("index" added). Workers are forked before any device
// thread starts. A case whose worker dies is reported failed; the others
// carry on with the rest.
void run_in_workers(const SuiteOptions& o, const std::vector<SuiteCase>& cases,
                    std::vector<SuiteResult>& results) {
  void* shared = mmap(nullptr, sizeof(std::atomic<size_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return run_here(o, cases, results);
  auto* next = new (shared) std::atomic<size_t>(0);
  static_assert(std::atomic<size_t>::is_always_lock_free);

  struct Worker {
    pid_t pid;
    int fd;
    std::string pending;
  };
  std::vector<Worker> workers;
  std::fflush(nullptr);
  for (int w = 0; w < o.jobs; ++w) {
    int fds[2];
    if (pipe(fds) != 0) break;
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      for (const Worker& other : workers) close(other.fd);
      SuiteShared shared;
      const SuiteRun run = run_for(o, w);
      for (size_t i; (i = next->fetch_add(1)) < cases.size();) {
        ordered_json j = to_json(suite_run_case(cases[i], run, shared));
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
      break;
    }
    workers.push_back(Worker{pid, fds[0], {}});
  }
  if (workers.empty()) {
    munmap(shared, sizeof(std::atomic<size_t>));
    return run_here(o, cases, results);
  }

  std::vector<bool> reported(cases.size(), false);
  auto take_lines = [&](Worker& w) {
    for (size_t end; (end = w.pending.find('\n')) != std::string::npos; w.pending.erase(0, end + 1)) {
      const ordered_json j = ordered_json::parse(w.pending.substr(0, end), nullptr, false);
      if (j.is_discarded() || !j.contains("index")) continue;
      const size_t i = j["index"].get<size_t>();
      if (i >= cases.size()) continue;
      results[i] = from_json(j);
      reported[i] = true;
    }
  };
  for (size_t open = workers.size(); open > 0;) {
    std::vector<pollfd> fds;
    std::vector<Worker*> polled;
    for (Worker& w : workers)
      if (w.fd >= 0) {
        fds.push_back(pollfd{w.fd, POLLIN, 0});
        polled.push_back(&w);
      }
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t k = 0; k < fds.size(); ++k) {
      if (!fds[k].revents) continue;
      Worker& w = *polled[k];
      char buffer[65536];
      const ssize_t n = read(w.fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {  // the worker is done (or gone)
        close(w.fd);
        w.fd = -1;
        --open;
        continue;
      }
      w.pending.append(buffer, size_t(n));
      take_lines(w);
    }
  }
  for (const Worker& w : workers) {
    int status = 0;
    waitpid(w.pid, &status, 0);
  }
  munmap(shared, sizeof(std::atomic<size_t>));
  for (size_t i = 0; i < cases.size(); ++i)
    if (!reported[i]) {
      results[i].name = cases[i].name;
      results[i].ok = false;
      results[i].messages = {"its worker process ended before the case did (a crash)"};
    }
}

bool inside(const fs::path& path, const fs::path& dir) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec), d = fs::weakly_canonical(dir, ec);
  const auto [dir_end, p_end] = std::mismatch(d.begin(), d.end(), p.begin(), p.end());
  return dir_end == d.end();
}
}  // namespace

int suite_main(const SuiteOptions& options) {
  SuiteOptions o = options;
  o.rebaseline = o.rebaseline || golden::rebaseline_from_env();
  std::error_code ec;
  if (!fs::is_directory(o.dir, ec)) return bad_arguments("--suite '" + o.dir + "' is not a directory");
  if (inside(o.work, o.dir))
    return bad_arguments("--work '" + o.work + "' lies in the suite '" + o.dir + "'; outputs would mix with goldens");
  if (FlashImageCheck check = flash_image_inspect(o.flash); check.verdict == FlashImageVerdict::Refused)
    return bad_arguments(check.message);
  const std::vector<SuiteCase> cases = suite_find_cases(o.dir);
  if (cases.empty()) return bad_arguments("no case folder (one holding keys.txt) under '" + o.dir + "'");
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
  if (o.jobs > 1 && cases.size() > 1)
    run_in_workers(o, cases, results);
  else
    run_here(o, cases, results);
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
                                {"passed", passed},     {"failed", failed}, {"seconds", seconds},
                                {"rebaseline", o.rebaseline}, {"cases", list}};
  const std::string written = summary.dump(2) + "\n";
  std::printf("%zu passed, %zu failed\n", passed, failed);
  // A summary that did not reach the disk (or the terminal) is a failed run, whatever the cases did.
  if (!output_file_write_bytes(results_file.string(), written.data(), written.size()))
    return run_failed("cannot write " + results_file.string() + "; the results above are not kept");
  if (!stdout_finished("klx80-batch")) return kExitFailed;
  return failed ? kExitFailed : kExitOk;
}
