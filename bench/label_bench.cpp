// The label model's work per key: an insertion with its fit checks and the
// backspace that takes it back, and the fit check alone for the layouts'
// Auto loops. Uses the synthetic font image of the core tests.
#include <benchmark/benchmark.h>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/geometry.h"
#include "host/seam/cartridge.h"
#include "tests/core/test_font_image.h"

namespace {
void setup(uint8_t type, int lines, int chars) {
  test_font_image::install("label_bench");
  uint8_t settings[10] = {0, 0, 100, 0, 'C', 0, 78, 78, 0xA4, 0};
  nvm_save_device_settings(settings);
  cart_set_id(3);
  lbl_clear_text();
  lbl_set_defaults();
  LabelRecord& r = *lbl_record();
  r.label_type = type;
  r.font_size = 1;
  for (int i = 0; i < lines; ++i) {
    for (int k = 0; k < chars; ++k) r.lines[i].cells[k] = uint16_t('A' + k % 26);
    r.lines[i].length = uint8_t(chars);
  }
  r.last_line = uint8_t(lines - 1);
  r.current_line = r.last_line;
  r.lines[r.last_line].cursor = uint8_t(chars);
}

// A key typed into a 150 mm fixed-length label of three 30-character lines.
void BM_InsertAndBackspaceFixedLength(benchmark::State& state) {
  setup(LABEL_FIXED_150_MM, 3, 30);
  for (auto _ : state) {
    benchmark::DoNotOptimize(lbl_insert_char('Q'));
    lbl_backspace();
  }
}
BENCHMARK(BM_InsertAndBackspaceFixedLength);

// The same on a wire marker of four 10-character lines (rotated fit and repeats).
void BM_InsertAndBackspaceWire(benchmark::State& state) {
  setup(LABEL_WIRE_4_0_IN, 4, 10);
  for (auto _ : state) {
    benchmark::DoNotOptimize(lbl_insert_char('Q'));
    lbl_backspace();
  }
}
BENCHMARK(BM_InsertAndBackspaceWire);

void BM_LabelFitsFixedLength(benchmark::State& state) {
  setup(LABEL_FIXED_150_MM, 4, 50);
  for (auto _ : state) benchmark::DoNotOptimize(prn_label_fits(lbl_record()));
}
BENCHMARK(BM_LabelFitsFixedLength);
}  // namespace
