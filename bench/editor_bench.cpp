// One editor tick that takes a key: the fit check before the insertion, the
// insertion (or the deletion), and the full refresh of the status line and
// the text view flushed to the mirror. Keys alternate between a letter and
// Delete so that the label stays the same size throughout.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_image.h"
#include "firmware/display/font.h"
#include "firmware/editor/editor.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "host/seam/cartridge.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"

namespace {
void setup_editor() {
  bench_start_with_empty_label();
  LabelRecord* r = lbl_record();
  r->label_type = LABEL_BANNER_LANDSCAPE;  // banner: the fit check runs before every insertion
  const char* lines[2] = {"PATCH PANEL A RACK 7", "FLOOR 2 ROOM 114"};
  for (int i = 0; i < 2; ++i) {
    LabelLine& line = r->lines[i];
    line.length = uint8_t(std::strlen(lines[i]));
    line.cursor = line.length;
    for (int k = 0; k < line.length; ++k) line.cells[k] = uint8_t(lines[i][k]);
  }
  r->last_line = 1;
  r->current_line = 1;
  ed_init();
  ui_set_mode(MODE_EDITOR);
  ed_mode_task();  // entry
}

void BM_EditorKeyTick(benchmark::State& state) {
  state.SetLabel("budget: median <= 50 us, 99th percentile <= 0.5 ms");
  setup_editor();
  bool letter = true;
  for (auto _ : state) {
    kbd_put_key(letter ? uint8_t(KEY_W) : uint8_t(KEY_DELETE));
    ed_mode_task();
    letter = !letter;
    benchmark::DoNotOptimize(mirror_generation());
  }
  state.counters["mode"] = ui_get_mode();
  state.counters["length"] = lbl_record()->lines[1].length;
}
BENCHMARK(BM_EditorKeyTick)->Repetitions(5)->ReportAggregatesOnly(true);
}  // namespace
