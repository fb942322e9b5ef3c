// One picker key from the register to the LCD mirror: the tick that takes the
// key (Right) and the next tick, which redraws the whole screen (grid or the
// three groups, highlight, scroll bar, tag) and flushes it. Right walks through
// every page and wraps, so all symbols and all groups are drawn in turn.
// Each iteration is timed on its own; the counters give its median and 99th
// percentile in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/bench_image.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/screens/pickers.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"

namespace {
void run(benchmark::State& state, uint8_t mode, void (*task)()) {
  bench_start_with_empty_label();
  sym_init();
  intl_init();
  ui_set_mode(mode);
  task();  // the first drawing on entry
  std::vector<double> us;
  us.reserve(1 << 20);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    kbd_put_key(KEY_RIGHT);
    task();  // takes the key
    task();  // redraws and flushes
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    if (us.size() < us.capacity()) us.push_back(took.count() * 1e6);
    benchmark::DoNotOptimize(mirror_generation());
  }
  std::sort(us.begin(), us.end());
  if (!us.empty()) {
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
  }
  state.counters["mode"] = ui_get_mode();
}

void BM_SymbolPickerKeyTick(benchmark::State& state) { run(state, MODE_SYMBOL_PICKER, sym_picker_task); }
BENCHMARK(BM_SymbolPickerKeyTick)->UseManualTime()->Repetitions(5)->ReportAggregatesOnly(true);

void BM_IntlPickerKeyTick(benchmark::State& state) { run(state, MODE_INTL_PICKER, intl_picker_task); }
BENCHMARK(BM_IntlPickerKeyTick)->UseManualTime()->Repetitions(5)->ReportAggregatesOnly(true);
}  // namespace
