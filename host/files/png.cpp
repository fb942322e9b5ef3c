#include "host/files/png.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/files/output_file.h"

namespace {
// Larger pictures are refused rather than allocated: the tape of the longest
// label is far below this.
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

// The callers report a failed read or write with their own message.
[[noreturn]] void fail_quietly(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void warn_quietly(png_structp, png_const_charp) {}

// What one picture is: RGB, 8 bits a sample, or bilevel rows with a set bit
// for black (as PBM stores them).
struct Layout {
  int width, height;
  bool bilevel;
  const uint8_t* rows;
  size_t row_bytes;
};

void append_to_string(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void flush_nothing(png_structp) {}

// Writes to the file, or (file null) appends to memory. libpng reports errors
// by longjmp back here; nothing in this frame has a destructor, so nothing is
// skipped by it.
bool write_stream(FILE* file, std::string* memory, const Layout& l) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, fail_quietly, warn_quietly);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  if (file)
    png_init_io(png, file);
  else
    png_set_write_fn(png, memory, append_to_string, flush_nothing);
  // Unfiltered rows pack these few-coloured dot pictures best.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, png_uint_32(l.width), png_uint_32(l.height), l.bilevel ? 1 : 8,
               l.bilevel ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (l.bilevel) png_set_invert_mono(png);  // grey 0 is black in PNG, a set bit here
  for (int y = 0; y < l.height; ++y) png_write_row(png, l.rows + size_t(y) * l.row_bytes);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool fits(const Layout& l) {
  return l.width > 0 && l.height > 0 && uint64_t(l.width) * uint64_t(l.height) <= kMaxPixels;
}

bool write_file(const std::string& path, const Layout& l) {
  return fits(l) && output_file_write(path, [&](FILE* file) { return write_stream(file, nullptr, l); });
}

std::string encode(const Layout& l) {
  std::string png;
  if (!fits(l) || !write_stream(nullptr, &png, l)) png.clear();
  return png;
}
}  // namespace

bool png_write_rgb(const std::string& path, int width, int height, const uint8_t* rgb) {
  return write_file(path, {width, height, false, rgb, size_t(width) * 3});
}

bool png_write_bilevel(const std::string& path, int width, int height, const uint8_t* rows) {
  return write_file(path, {width, height, true, rows, (size_t(width) + 7) / 8});
}

std::string png_encode_rgb(int width, int height, const uint8_t* rgb) {
  return encode({width, height, false, rgb, size_t(width) * 3});
}

std::string png_encode_bilevel(int width, int height, const uint8_t* rows) {
  return encode({width, height, true, rows, (size_t(width) + 7) / 8});
}

bool png_read_rgb(const std::string& path, int& width, int& height, std::string& rgb) {
  // The simplified interface converts every colour type and depth, keeps its
  // own error handling and frees everything in png_image_free.
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  if (image.width == 0 || image.height == 0 || uint64_t(image.width) * image.height > kMaxPixels) {
    png_image_free(&image);
    return false;
  }
  // RGBA keeps the colours as stored; composing onto a background would
  // change the pixels of a picture with alpha.
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  width = int(image.width);
  height = int(image.height);
  rgb.resize(size_t(width) * height * 3);
  for (size_t i = 0, n = size_t(width) * height; i < n; ++i) std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);
  return true;
}
