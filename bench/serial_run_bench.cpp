// A 999-label digit serial run (N001 to N999, every "Cut or Print" pause
// ended by the Print key) through the whole klx80-batch process with
// --labels, every label written as its own pictures. Reports the process's
// wall time (manual time) and its peak resident memory. The serial menu
// refuses runs above 998 labels, so the run is set up in the stored working
// label, as a label saved with its run would hold it.
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <vector>

#include "firmware/editor/label_types.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/serial_text.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
constexpr int kLabels = 999;

void store_serial_run() {
  bench_start_with_empty_label();
  LabelRecord* r = lbl_record();
  r->label_type = LABEL_BANNER_LANDSCAPE;
  r->font_size = 2;
  const char text[] = "N001";
  for (uint8_t i = 0; i < 4; ++i) r->lines[0].cells[i] = uint8_t(text[i]);
  r->lines[0].length = r->lines[0].cursor = 4;
  r->serial_print = 1;
  r->serial_class = SER_CLASS_DIGITS;
  r->serial_start = 1;
  r->serial_increment = 1;
  std::memcpy(r->serial_end_text, "999", 4);
  r->copies = 1;
  nvm_save_working_label(r);
}

void BM_SerialRun999Labels(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("klx80-bench-labels-" + std::to_string(getpid()));
  const std::string script = dir.string() + ".txt";
  {
    std::ofstream out(script);
    out << "CART:3\n";
    for (int i = 0; i < kLabels; ++i) out << "PRINT\n";
  }
  long max_rss_kb = 0;
  size_t written = 0;
  for (auto _ : state) {
    store_serial_run();
    fs::remove_all(dir);
    std::vector<std::string> args = {KLX80_BATCH_EXE, "--flash", bench_image_copy(), "--script", script,
                                     "--labels", dir.string()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      state.SkipWithError("cannot start klx80-batch");
      break;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("klx80-batch failed");
      break;
    }
    max_rss_kb = std::max(max_rss_kb, usage.ru_maxrss);
    written = 0;
    for (const auto& entry : fs::directory_iterator(dir)) written += entry.path().extension() == ".pbm";
  }
  state.counters["max_rss_MB"] = double(max_rss_kb) / 1024.0;
  state.counters["labels_written"] = double(written);
  fs::remove_all(dir);
  fs::remove(script);
}
BENCHMARK(BM_SerialRun999Labels)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace
