// A private copy of the flash image the build makes, removed at exit: the
// firmware's start writes its records into the flash, and the build's
// template must stay fresh.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "firmware/display/font.h"
#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "host/seam/cartridge.h"
#include "host/seam/keys.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"

inline const std::string& bench_image_copy() {
  static const std::string* path = [] {
    std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("klx80-bench-" + std::to_string(getpid()) + ".hex");
    std::filesystem::copy_file(KLX80_BENCH_IMAGE, p, std::filesystem::copy_options::overwrite_existing);
    auto* kept = new std::string(p.string());  // outlives the exit handler below
    std::atexit([] { std::filesystem::remove(*path); });
    return kept;
  }();
  return *path;
}

// The state the editor and menu benchmarks start from: fonts from the image,
// LCD and keys fresh, 3/4-inch tape loaded, an empty label with its defaults.
inline void bench_start_with_empty_label() {
  spi_set_durability(FlashDurability::Never);  // a copy thrown away at exit
  spi_set_path(bench_image_copy());
  spi_init();
  font_init();
  mirror_init();
  kbd_init();
  ui_init();
  cart_set_id(3);
  lbl_clear_text();
  lbl_set_defaults();
}
