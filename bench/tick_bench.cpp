// The 10 ms tick in the idle editor: every task runs, none has work.
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "host/seam/spi_flash.h"

namespace {
void BM_IdleEditorTick(benchmark::State& state) {
  spi_set_path(bench_image_copy());
  firmware_init();
  sys_tick();  // power-on hands over to the editor
  sys_tick();
  state.SetLabel("budget: median <= 5 us");
  for (auto _ : state) sys_tick();
  state.counters["mode"] = ui_get_mode();
}
BENCHMARK(BM_IdleEditorTick)->Repetitions(5)->ReportAggregatesOnly(true);
}  // namespace
