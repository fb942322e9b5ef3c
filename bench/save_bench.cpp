// What a save costs with and without waiting for the disk (fdatasync after
// every flash write and erase), on an image file in the temporary directory:
// a working-label journal entry (a sector erase and rescue every 8th), a saved
// label file (replacing one: rescue, erase, write), a settings record (both
// copies) and a cut-counter entry. Arg 1 = sync on. The counter "flash_ops"
// is the number of flash writes and erases per save, each one a sync.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "host/seam/spi_flash.h"
#include "tests/core/test_font_image.h"

namespace {
struct ImageForBench {
  std::string path;
  explicit ImageForBench(bool sync) {
    spi_set_durability(sync ? FlashDurability::SyncEachSave : FlashDurability::Never);
    path = test_font_image::install("save_bench");
  }
  ~ImageForBench() { std::remove(path.c_str()); }
};

// Two records that differ, saved in turn so that every save writes.
LabelRecord label(uint16_t letter) {
  LabelRecord r{};
  r.lines[0].cells[0] = letter;
  r.lines[0].length = 1;
  r.copies = 1;
  r.font_size = 2;
  r.checksum = lbl_checksum(&r);
  return r;
}

template <typename Save>
void run(benchmark::State& state, Save save) {
  ImageForBench image(state.range(0) != 0);
  uint64_t n = 0;
  spi_cut_arm(-1, false);  // counts the operations from here
  for (auto _ : state) save(n++);
  state.counters["flash_ops"] = benchmark::Counter(double(spi_operations()) / double(n));
}

void BM_SaveWorkingLabel(benchmark::State& state) {
  run(state, [](uint64_t n) {
    LabelRecord r = label(uint16_t('A' + n % 2));
    nvm_save_working_label(&r);
  });
}
BENCHMARK(BM_SaveWorkingLabel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReplaceLabelFile(benchmark::State& state) {
  run(state, [](uint64_t n) {
    LabelRecord r = label(uint16_t('A' + n % 2));
    nvm_save_label_file(0, &r, true);
  });
}
BENCHMARK(BM_ReplaceLabelFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State& state) {
  run(state, [](uint64_t n) {
    uint8_t settings[10] = {uint8_t(n % 6), 0, 100, 0, 'C', 0, 78, 78, 0xA4, 0};
    nvm_save_device_settings(settings);
  });
}
BENCHMARK(BM_SaveSettings)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SaveCounters(benchmark::State& state) {
  run(state, [](uint64_t n) {
    uint8_t record[14] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    nvm_save_counters(record);
  });
}
BENCHMARK(BM_SaveCounters)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
}  // namespace
