// Long runs through the whole klx80-batch process, the run set up in the
// stored working label as a label saved with its run would hold it:
// - a 999-label digit serial run (N001 to N999, every "Cut or Print" pause
//   ended by the Print key) with --labels, every label written as its own
//   pictures (the serial menu refuses runs above 998 labels);
// - 99 copies of a long banner label, without and with --labels.
// Reports each process's wall time (manual time) and peak resident memory,
// with the budget in the label. KLX80_BENCH_KEEP=DIR runs nothing and leaves
// each run's image and script there instead (serial999.hex/.txt,
// banner99.hex/.txt) for bench/budgets.sh (hyperfine and strace).
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "firmware/editor/label_types.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/serial_text.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;

void put_text(LabelRecord* r, const char* text) {
  uint8_t n = 0;
  for (; text[n]; ++n) r->lines[0].cells[n] = uint8_t(text[n]);
  r->lines[0].length = r->lines[0].cursor = n;
}

void store_serial_run() {
  bench_start_with_empty_label();
  LabelRecord* r = lbl_record();
  r->label_type = LABEL_BANNER_LANDSCAPE;
  r->font_size = 2;
  put_text(r, "N001");
  r->serial_print = 1;
  r->serial_class = SER_CLASS_DIGITS;
  r->serial_start = 1;
  r->serial_increment = 1;
  std::memcpy(r->serial_end_text, "999", 4);
  r->copies = 1;
  nvm_save_working_label(r);
}

void store_banner_copies() {
  bench_start_with_empty_label();
  LabelRecord* r = lbl_record();
  r->label_type = LABEL_BANNER_LANDSCAPE;
  r->font_size = 6;
  put_text(r, "The quick brown fox jumps over the lazy dog 012345");
  r->copies = 99;
  nvm_save_working_label(r);
}

struct Run {
  const char* name;
  void (*store)();
  int prints;  // Print keys: one starts the job, one ends each pause
};

// Runs klx80-batch once on the stored run; false when it fails.
bool run_batch(benchmark::State& state, const Run& run, bool labels, long& max_rss_kb, size_t& written) {
  const fs::path dir = fs::temp_directory_path() / ("klx80-bench-labels-" + std::to_string(getpid()));
  const std::string script = dir.string() + ".txt";
  {
    std::ofstream out(script);
    out << "CART:3\n";
    for (int i = 0; i < run.prints; ++i) out << "PRINT\n";
  }
  run.store();
  if (const char* keep = std::getenv("KLX80_BENCH_KEEP")) {
    fs::create_directories(keep);
    const fs::path base = fs::path(keep) / run.name;
    fs::copy_file(bench_image_copy(), base.string() + ".hex", fs::copy_options::overwrite_existing);
    fs::copy_file(script, base.string() + ".txt", fs::copy_options::overwrite_existing);
    fs::remove(script);
    state.SkipWithError(("kept in " + std::string(keep) + ", not run").c_str());
    return false;
  }
  fs::remove_all(dir);
  std::vector<std::string> args = {KLX80_BATCH_EXE, "--flash", bench_image_copy(), "--script", script};
  if (labels) args.insert(args.end(), {"--labels", dir.string()});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    state.SkipWithError("cannot start klx80-batch");
    return false;
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  fs::remove(script);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    state.SkipWithError("klx80-batch failed");
    return false;
  }
  max_rss_kb = std::max(max_rss_kb, usage.ru_maxrss);
  written = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) written += entry.path().extension() == ".pbm";
  fs::remove_all(dir);
  return true;
}

void measure(benchmark::State& state, const Run& run, bool labels) {
  long max_rss_kb = 0;
  size_t written = 0;
  for (auto _ : state)
    if (!run_batch(state, run, labels, max_rss_kb, written)) break;
  state.counters["max_rss_MB"] = double(max_rss_kb) / 1024.0;
  state.counters["labels_written"] = double(written);
}

void BM_SerialRun999Labels(benchmark::State& state) {
  state.SetLabel("budget <= 500 ms on disk, <= 40 MB, <= 2 fdatasync");
  measure(state, Run{"serial999", store_serial_run, 999}, true);
}
BENCHMARK(BM_SerialRun999Labels)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Arg 1: with --labels. Budget: at most 4 times the run without.
void BM_BannerCopies99(benchmark::State& state) {
  state.SetLabel(state.range(0) ? "budget <= 4x the run without --labels" : "without --labels");
  measure(state, Run{"banner99", store_banner_copies, 99}, state.range(0) != 0);
}
BENCHMARK(BM_BannerCopies99)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace
