// Headless speed of an idle device: the editor showing, nothing typed, the
// worker idle; simulated seconds per wall second. Each round is 1,000 ticks
// (10 simulated seconds); the auto-off count is reset between rounds as a
// key would, so the run never reaches the auto-off question.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_image.h"
#include "host/session/session.h"
#include "host/seam/power.h"

namespace {
void BM_IdleHeadlessSpeed(benchmark::State& state) {
  SessionOptions options(bench_image_copy());
  options.durability = FlashDurability::Never;
  Session device{options};
  state.SetLabel("budget >= 100,000 simulated s per wall s");
  std::string error;
  if (!device.settle(error)) state.SkipWithError(error.c_str());
  for (auto _ : state) {
    device.tick(1000);
    pwr_activity();
  }
  state.counters["simulated_s_per_wall_s"] = benchmark::Counter(10.0 * double(state.iterations()),
                                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IdleHeadlessSpeed)->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(5);
}  // namespace
