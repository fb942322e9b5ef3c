// The golden suite through the whole klx80-batch process: 1,000 small cases,
// each ten keys (nine letters and Print) checked against its LCD picture, tape
// and state. The goldens are written once by a --rebaseline run; the timed
// runs compare, with one and with two worker processes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_image.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
constexpr int kCases = 1000;

int run_batch(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The cases: nine letters of a label that differs from case to case, then Print.
fs::path make_suite(const fs::path& root) {
  const fs::path suite = root / "suite";
  for (int i = 0; i < kCases; ++i) {
    const fs::path dir = suite / ("case_" + std::to_string(1000 + i));
    fs::create_directories(dir);
    std::string letters;
    for (int k = 0, n = i * 7919; k < 9; ++k, n /= 3) letters += char('A' + (n + k * 5) % 26);
    std::ofstream(dir / "keys.txt") << "# outputs: lcd.png tape.pbm state.json\nTEXT:" << letters << " PRINT\n";
  }
  return suite;
}

void BM_Suite1000Cases(benchmark::State& state) {
  state.SetLabel(state.range(0) == 1 ? "budget <= 4 s with 1 job, 0 fdatasync" : "budget <= 2 s with 2 jobs, 0 fdatasync");
  const fs::path root = fs::temp_directory_path() / ("klx80-bench-suite-" + std::to_string(getpid()));
  fs::remove_all(root);
  const fs::path suite = make_suite(root);
  const std::string image = bench_image_copy(), work = (root / "work").string();
  if (run_batch({KLX80_BATCH_EXE, "--flash", image, "--suite", suite.string(), "--work", work, "--rebaseline",
                 "--jobs", "2"}) != 0)
    state.SkipWithError("the rebaseline run failed");
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = run_batch({KLX80_BATCH_EXE, "--flash", image, "--suite", suite.string(), "--work", work,
                                  "--jobs", std::to_string(state.range(0))});
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (status != 0) {
      state.SkipWithError("a case failed");
      break;
    }
  }
  state.counters["cases"] = kCases;
  fs::remove_all(root);
}
BENCHMARK(BM_Suite1000Cases)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace
