// The editor's redraw: the text view of a two-line label with a long,
// scrolled first line, composed in the frame buffer and flushed to the
// mirror, which repaints its whole picture. Also counts file opens (there
// must be none: glyphs come from the flash image in memory).
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_image.h"
#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/editor/label.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"

namespace {
void setup_label() {
  spi_set_path(bench_image_copy());
  spi_init();
  font_init();
  mirror_init();
  LabelRecord* r = lbl_record();
  std::memset(r, 0, sizeof *r);
  r->label_type = LABEL_WIRE_0_75_IN;
  r->font_size = 2;
  r->last_line = 1;
  r->current_line = 0;
  const char* lines[2] = {"PATCH PANEL A RACK 7 PORTS 01-24", "FLOOR 2 ROOM 114"};
  for (int i = 0; i < 2; ++i) {
    LabelLine& line = r->lines[i];
    line.length = uint8_t(std::strlen(lines[i]));
    for (int k = 0; k < line.length; ++k) line.cells[k] = uint8_t(lines[i][k]);
  }
  r->lines[0].cursor = 25;
}

void BM_EditorRedraw(benchmark::State& state) {
  setup_label();
  uint64_t opens = spi_file_opens();
  for (auto _ : state) {
    lcd_draw_editor();
    benchmark::DoNotOptimize(mirror_generation());
  }
  state.counters["file_opens"] = double(spi_file_opens() - opens);
}
BENCHMARK(BM_EditorRedraw);

// The status line and text view together, as the editor's full refresh does.
void BM_EditorRefreshWithStatus(benchmark::State& state) {
  setup_label();
  for (auto _ : state) {
    lcd_clear_text();
    lcd_draw_label_type(lbl_record()->label_type, true);
    lcd_draw_size_icon(lbl_record()->font_size);
    lcd_draw_editor();
    benchmark::DoNotOptimize(mirror_generation());
  }
}
BENCHMARK(BM_EditorRefreshWithStatus);

// One menu line: text, highlight and a one-line flush.
void BM_MenuLineFlush(benchmark::State& state) {
  setup_label();
  for (auto _ : state) {
    lcd_put_text(1, 0, "Fixed Length", 0);
    lcd_invert_line(1, 0, 132);
    lcd_flush_line(1);
    benchmark::DoNotOptimize(mirror_generation());
  }
}
BENCHMARK(BM_MenuLineFlush);
}  // namespace
