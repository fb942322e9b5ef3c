// The service mode's flash check over the whole font area (960 KB summed in
// 256-byte blocks): the whole check from its entry to the verdict, and one of
// its slices, the most a single tick of the window spends on it.
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/screens/diag.h"

namespace {
constexpr uint8_t kFlashCheck = 6;
constexpr int kSlices = 3840 / 64;  // blocks of the font area, per tick

void setup_diag() {
  bench_start_with_empty_label();
  diag_init();
}

// Command 6 written anew: its entry runs on the next tick, with the first slice.
void start_check() {
  diag_set_command(0);
  ui_set_mode(MODE_DIAG);
  diag_task();  // command 0: back to the editor
  diag_set_command(kFlashCheck);
  ui_set_mode(MODE_DIAG);
}

void BM_FlashCheckWhole(benchmark::State& state) {
  setup_diag();
  for (auto _ : state) {
    start_check();
    for (int i = 0; i < kSlices; ++i) diag_task();
    benchmark::DoNotOptimize(mirror_generation());
  }
  state.counters["ticks"] = kSlices;
  state.SetBytesProcessed(int64_t(state.iterations()) * 3840 * 256);
}
BENCHMARK(BM_FlashCheckWhole)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FlashCheckSlice(benchmark::State& state) {
  setup_diag();
  int done = kSlices;
  for (auto _ : state) {
    if (done == kSlices) {
      state.PauseTiming();
      start_check();
      done = 0;
      state.ResumeTiming();
    }
    diag_task();
    ++done;
    benchmark::DoNotOptimize(mirror_generation());
  }
}
BENCHMARK(BM_FlashCheckSlice)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
}  // namespace
