// A private copy of the flash image the build makes, removed at exit: the
// firmware's start writes its records into the flash, and the build's
// template must stay fresh.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& bench_image_copy() {
  static const std::string* path = [] {
    std::filesystem::path p = std::filesystem::temp_directory_path() /
                              ("klx80-bench-" + std::to_string(getpid()) + ".hex");
    std::filesystem::copy_file(KLX80_BENCH_IMAGE, p, std::filesystem::copy_options::overwrite_existing);
    auto* kept = new std::string(p.string());  // outlives the exit handler below
    std::atexit([] { std::filesystem::remove(*path); });
    return kept;
  }();
  return *path;
}
