// Rasterising speed (columns per second into the tape sink) and the wall
// time of a whole headless 3-copy print job, on a copy of the built image.
#include <benchmark/benchmark.h>

#include "bench/bench_image.h"

#include <filesystem>
#include <string>

#include <unistd.h>

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/key_codes.h"
#include "firmware/kernel/modes.h"
#include "firmware/print/barcode.h"
#include "firmware/print/engine.h"
#include "firmware/print/raster.h"
#include "host/seam/cartridge.h"
#include "host/seam/clock.h"
#include "host/session/session.h"
#include "host/seam/keys.h"
#include "host/seam/spi_flash.h"
#include "host/seam/tape.h"

namespace {

void load_image() {
  host_clock_use_virtual(false);
  spi_set_path(bench_image_copy());
  spi_init();
  font_init();
  cart_set_id(3);
  prn_init();
}

LabelRecord* label(uint8_t type, uint8_t size, std::initializer_list<const char*> lines) {
  lbl_clear_text();
  LabelRecord* r = lbl_record();
  r->label_type = type;
  r->font_size = size;
  r->bold = 0;
  r->copies = 1;
  r->barcode_type = 0;
  r->barcode_length = 0;
  uint8_t i = 0;
  for (const char* text : lines) {
    LabelLine& ln = r->lines[i++];
    uint8_t n = 0;
    for (; text[n]; ++n) ln.cells[n] = uint8_t(text[n]);
    ln.length = ln.cursor = n;
  }
  r->last_line = r->current_line = uint8_t(i - 1);
  return r;
}

void report(benchmark::State& state, uint64_t columns) {
  state.SetLabel("budget >= 2,000,000 columns/s");
  state.counters["columns/s"] = benchmark::Counter(double(columns), benchmark::Counter::kIsRate);
  state.counters["columns"] = double(columns) / double(state.iterations());
}

// 50 characters of 40pt text along the tape (a Banner Landscape label).
void BM_BannerLandscape40pt50Chars(benchmark::State& state) {
  load_image();
  label(LABEL_BANNER_LANDSCAPE, 6, {"The quick brown fox jumps over the lazy dog 012345"});
  uint64_t columns = 0;
  for (auto _ : state) {
    state.PauseTiming();
    tape_init();
    state.ResumeTiming();
    columns += prn_raster_lines(0, 50);
  }
  report(state, columns);
}
BENCHMARK(BM_BannerLandscape40pt50Chars)->Unit(benchmark::kMicrosecond);

// Four lines of 14pt rotated text, rendered while printing (not cached).
void BM_BannerPortrait14pt(benchmark::State& state) {
  load_image();
  LabelRecord* r = label(LABEL_BANNER_PORTRAIT, 3, {"Rack A", "Slot 7", "Port 12", "Row 3"});
  prn_set_printing_active(1);
  uint64_t columns = 0;
  for (auto _ : state) {
    state.PauseTiming();
    tape_init();
    state.ResumeTiming();
    columns += prn_rotated_emit(r);
  }
  prn_set_printing_active(0);
  report(state, columns);
}
BENCHMARK(BM_BannerPortrait14pt)->Unit(benchmark::kMicrosecond);

// A Code 128 field of 20 characters with its text.
void BM_Code128Block(benchmark::State& state) {
  load_image();
  LabelRecord* r = label(LABEL_BANNER_LANDSCAPE, 2, {"KLX80-CODE128-BLOCK!"});
  r->barcode_type = BC_CODE128;
  r->barcode_length = 20;
  uint64_t columns = 0;
  for (auto _ : state) {
    state.PauseTiming();
    tape_init();
    state.ResumeTiming();
    columns += bc_raster_block(r);
  }
  report(state, columns);
}
BENCHMARK(BM_Code128Block)->Unit(benchmark::kMicrosecond);

// A whole headless run: device start, a 20pt label printed in 3 copies with
// Print in both pauses, device close. Simulated time runs on the virtual
// clock, so no real waits are in it.
void BM_HeadlessThreeCopyJob(benchmark::State& state) {
  uint64_t simulated_ms = 0;
  for (auto _ : state) {
    SessionOptions options(bench_image_copy());
    options.durability = FlashDurability::Never;
    Session device{options};
    const uint64_t start = host_clock_now_ms();
    cart_set_id(3);
    std::string error;
    device.settle(error);
    LabelRecord* r = label(LABEL_BANNER_LANDSCAPE, 4, {"Server Rack 4", "Patch 12-B"});
    r->copies = 3;
    ui_set_mode(MODE_PRINT);
    device.settle(error);
    for (int pause = 0; pause < 2; ++pause) {
      device.press_key(KEY_PRINT);
      device.settle(error);
    }
    if (ui_get_mode() != MODE_EDITOR) state.SkipWithError("the job did not end");
    simulated_ms += host_clock_now_ms() - start;
    device.close();
  }
  state.counters["simulated_ms"] = double(simulated_ms) / double(state.iterations());
}
BENCHMARK(BM_HeadlessThreeCopyJob)->Unit(benchmark::kMillisecond);

}  // namespace
