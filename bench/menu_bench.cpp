// One menu tick that takes a key and redraws the whole menu (Down in the
// main menu: entries, highlight, scroll bar, status line, flush), one tick
// that steps a value and redraws (Right on "Copies:"), and one marquee step
// of a long entry (its window drawn, inverted and flushed as one line).
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"
#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/menu/menu.h"
#include "firmware/screens/marquee.h"
#include "host/seam/cartridge.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"

namespace {
void setup_menu(uint8_t id) {
  bench_start_with_empty_label();
  menu_init();
  marquee_init();
  menu_open(id);
  ui_set_mode(MODE_MENU);
  menu_task();  // built and drawn
}

void BM_MenuKeyTick(benchmark::State& state) {
  setup_menu(1);
  for (auto _ : state) {
    kbd_put_key(KEY_DOWN);
    menu_task();
    benchmark::DoNotOptimize(mirror_generation());
  }
  state.counters["mode"] = ui_get_mode();
}
BENCHMARK(BM_MenuKeyTick)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_MenuValueTick(benchmark::State& state) {
  setup_menu(3);
  bool up = true;
  for (auto _ : state) {
    kbd_put_key(up ? KEY_RIGHT : KEY_LEFT);
    menu_task();
    up = !up;
    benchmark::DoNotOptimize(mirror_generation());
  }
}
BENCHMARK(BM_MenuValueTick)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_MarqueeStep(benchmark::State& state) {
  setup_menu(1);
  marquee_start(MSG_LANDSCAPE_ONLY, 0, 128);
  for (auto _ : state) {
    for (int i = 0; i < 9; ++i) marquee_task();  // one step
    benchmark::DoNotOptimize(mirror_generation());
  }
  state.counters["state"] = marquee_state();
}
BENCHMARK(BM_MarqueeStep)->Repetitions(5)->ReportAggregatesOnly(true);
}  // namespace
