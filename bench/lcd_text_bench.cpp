// Screen text: one read of the LCD back into text lines (what --state and
// the serial STATE? answer pay per call) for a full menu screen with a
// highlight and a scroll bar, a two-line editor screen and a popup; and the
// one-off cost of building the glyph tables from the image.
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"
#include "firmware/display/lcd.h"
#include "host/session/lcd_text.h"

namespace {
void compose(int screen) {
  bench_start_with_empty_label();
  lcd_clear_text();
  lcd_clear_status();
  if (screen == 0) {
    lcd_put_text(0, 0, "Symbols", 0);
    lcd_put_text(1, 0, "International", 0);
    lcd_put_text(2, 0, "Barcode", 0);
    lcd_invert_line(1, 0, 128);
    lcd_draw_scrollbar(6, 1);
  } else if (screen == 1) {
    lcd_draw_line_marker(0, 0);
    lcd_put_text(0, 8, "PATCH PANEL A RAC", 0);
    lcd_draw_line_marker(2, 1);
    lcd_put_text(1, 8, "FLOOR 2 ROOM 114", 0);
  } else {
    lcd_put_text(1, 26, "Cannot Fit", 0);
  }
  if (screen != 2) {
    lcd_draw_label_type(26, false);
    lcd_draw_size_icon(2);
    lcd_draw_rule();
  }
}

void BM_ReadScreenText(benchmark::State& state) {
  compose(int(state.range(0)));
  const LcdTextReader reader = LcdTextReader::from_flash();
  for (auto _ : state) benchmark::DoNotOptimize(reader.read(lcd_frame()));
}
BENCHMARK(BM_ReadScreenText)->Arg(0)->Arg(1)->Arg(2)->ArgName("menu_editor_popup");

void BM_BuildGlyphTables(benchmark::State& state) {
  bench_start_with_empty_label();
  for (auto _ : state) benchmark::DoNotOptimize(LcdTextReader::from_flash());
}
BENCHMARK(BM_BuildGlyphTables)->Unit(benchmark::kMicrosecond);
}  // namespace
