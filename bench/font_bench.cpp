// The font layer on the built flash image: glyph columns for the LCD and the
// horizontal print path, whole strings for the rotated print path, and how
// often an LCD redraw opens the image file (it must never).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/bench_image.h"
#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/kernel/kernel.h"
#include "host/seam/spi_flash.h"

namespace {

void load_image() {
  spi_set_path(bench_image_copy());
  spi_init();
  font_init();
}

// LCD text: bold size-1 columns of whole characters, one after another.
void BM_FontGetColumnLcd(benchmark::State& state) {
  load_image();
  uint8_t out[3];
  int64_t columns = 0;
  for (auto _ : state) {
    for (uint16_t code = 'A'; code <= 'Z'; ++code) {
      int width = font_glyph_width(1, 0, code);
      for (int c = 0; c < width; ++c) {
        font_get_column(1, 1, code, uint8_t(c), out, 0);
        benchmark::DoNotOptimize(out);
      }
      columns += width;
    }
  }
  state.counters["columns/s"] = benchmark::Counter(double(columns), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FontGetColumnLcd);

// Horizontal printing: four lines of size 3 interleaved column by column
// (the glyph changes on every call) and ORed in at a shift.
void BM_FontGetColumnPrint(benchmark::State& state) {
  load_image();
  const char* lines[4] = {"PATCH PANEL A", "PORT 01-24", "RACK 7", "FLOOR 2"};
  uint8_t column[17];
  int64_t columns = 0;
  for (auto _ : state) {
    int index[4] = {}, col[4] = {};
    for (int step = 0; step < 200; ++step) {
      std::memset(column, 0, sizeof column);
      for (int i = 0; i < 4; ++i) {
        uint16_t code = uint8_t(lines[i][index[i]]);
        if (code == 0) continue;
        font_get_column(3, 0, code, uint8_t(col[i]), column + 1 + 2 * i, 3);
        if (++col[i] >= font_glyph_width(3, 0, code)) col[i] = 0, ++index[i];
      }
      benchmark::DoNotOptimize(column);
      ++columns;
    }
  }
  state.counters["columns/s"] = benchmark::Counter(double(columns), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FontGetColumnPrint);

// Rotated printing: load a 14-character line, then read every glyph row of it.
void BM_FontLoadStringAndRows(benchmark::State& state) {
  load_image();
  const uint8_t size = uint8_t(state.range(0));
  const char* text = size <= 2 ? "CABLE 12-A/B34" : "R7";  // what fits across the head
  uint16_t codes[14];
  uint8_t count = uint8_t(std::strlen(text));
  for (int i = 0; i < count; ++i) codes[i] = uint8_t(text[i]);
  uint8_t x[14];
  uint8_t column[40];
  int64_t rows = 0;
  for (auto _ : state) {
    font_load_string(codes, count, size, 0, x);
    for (int r = 0; r < font_height(size); ++r) {
      std::memset(column, 0, sizeof column);
      for (int k = 0; k < count; ++k)
        font_get_row_bits(size, 0, codes[k], uint8_t(k), uint8_t(r), column + x[k] / 8, x[k] % 8);
      benchmark::DoNotOptimize(column);
    }
    rows += font_height(size);
  }
  state.counters["strings/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["columns/s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FontLoadStringAndRows)->Arg(1)->Arg(2)->Arg(6);

// A full LCD redraw of three text lines and the status line; reports the image
// file opens per redraw, which must be 0.
void BM_LcdRedrawFileOpens(benchmark::State& state) {
  spi_set_path(bench_image_copy());
  firmware_init();
  uint64_t before = spi_file_opens();
  for (auto _ : state) {
    lcd_put_text(0, 0, "Label Type", 0);
    lcd_put_text(1, 0, "Copies: 12", 0);
    lcd_put_text(2, 0,
                 "Fran\x96"
                 "ais \xA4\xA8",
                 0);
    lcd_put_text(3, 0, "GEN", 0);
    lcd_flush();
  }
  state.counters["opens_per_redraw"] =
      benchmark::Counter(double(spi_file_opens() - before) / double(state.iterations()));
}
BENCHMARK(BM_LcdRedrawFileOpens);
}  // namespace
