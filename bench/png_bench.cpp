// What a PNG costs at zlib levels 1, 6 and 9: the tape of a long banner label
// (bilevel, as --labels writes every label) and the LCD picture (RGB, as
// --lcd-png and SNAP write it). Counters: bytes written, and columns for the
// tape. The level in use is PNG_LEVEL (host/files/png.h).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_image.h"
#include "firmware/editor/label_types.h"
#include "firmware/print/engine.h"
#include "firmware/print/raster.h"
#include "host/files/png.h"
#include "host/files/tape_pbm.h"
#include "host/files/tape_view.h"
#include "host/seam/mirror.h"
#include "host/seam/tape.h"

namespace {
namespace fs = std::filesystem;

std::string out_path() {
  return (fs::temp_directory_path() / ("klx80-png-bench-" + std::to_string(getpid()) + ".png")).string();
}

// 50 characters of 40pt text along the tape: the PBM rows of its columns.
const std::string& banner_pbm(size_t& width) {
  static size_t columns = 0;
  static const std::string pbm = [] {
    bench_start_with_empty_label();
    prn_init();
    LabelRecord* r = lbl_record();
    r->label_type = LABEL_BANNER_LANDSCAPE;
    r->font_size = 6;
    const char text[] = "The quick brown fox jumps over the lazy dog 012345";
    for (uint8_t i = 0; text[i]; ++i) r->lines[0].cells[i] = uint8_t(text[i]);
    r->lines[0].length = r->lines[0].cursor = uint8_t(sizeof text - 1);
    tape_init();
    prn_raster_lines(0, 50);
    columns = tape_column_count();
    return tape_pbm();
  }();
  width = columns;
  return pbm;
}

void BM_BannerTapePng(benchmark::State& state) {
  size_t width = 0;
  const std::string& pbm = banner_pbm(width);
  const size_t bits = (width + 7) / 8 * TAPE_DOTS;
  const auto* rows = reinterpret_cast<const uint8_t*>(pbm.data() + pbm.size() - bits);
  const std::string path = out_path();
  for (auto _ : state)
    if (!png_write_bilevel(path, int(width), TAPE_DOTS, rows, int(state.range(0)))) state.SkipWithError("write");
  state.counters["bytes"] = double(fs::file_size(path));
  state.counters["columns"] = double(width);
  fs::remove(path);
}
BENCHMARK(BM_BannerTapePng)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMicrosecond);

void BM_LcdPng(benchmark::State& state) {
  mirror_init();
  uint8_t frame[LCD_FRAME_BYTES];
  for (size_t i = 0; i < LCD_FRAME_BYTES; ++i) frame[i] = uint8_t(i % 132 < 100 && i / 132 < 6 ? (i * 37) >> 3 : 0);
  mirror_load(frame);
  std::vector<uint8_t> rgb(MIRROR_RGB_BYTES);
  mirror_copy_rgb(rgb.data());
  const std::string path = out_path();
  for (auto _ : state)
    if (!png_write_rgb(path, MIRROR_WIDTH, MIRROR_HEIGHT, rgb.data(), int(state.range(0))))
      state.SkipWithError("write");
  state.counters["bytes"] = double(fs::file_size(path));
  fs::remove(path);
}
BENCHMARK(BM_LcdPng)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMicrosecond);

// The tape window's picture of the banner in memory, as --tape-png and the
// render service make it (painted as colour indices), and the same through
// an RGB picture (the window's own painting) encoded afterwards.
void BM_TapeWindowPng(benchmark::State& state) {
  size_t width = 0;
  banner_pbm(width);  // prints the banner onto the tape
  size_t bytes = 0;
  for (auto _ : state) {
    if (state.range(0)) {
      bytes = tape_png(3).size();
    } else {
      int w = 0;
      const std::vector<uint8_t> rgb = tape_render_all(3, w);
      bytes = png_encode_rgb(w, TAPE_PAINT_HEIGHT, rgb.data()).size();
    }
    if (!bytes) state.SkipWithError("encode");
  }
  state.counters["bytes"] = double(bytes);
  state.counters["columns"] = double(width);
}
BENCHMARK(BM_TapeWindowPng)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
}  // namespace
