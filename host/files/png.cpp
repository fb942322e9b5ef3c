#include "host/files/png.h"

#include <png.h>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <memory>
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
  int level;
};

// An RGB picture of at most 256 colours stored as indices into a palette, at
// the fewest bits a pixel that hold them. The tape window shows five colours
// and the LCD a handful: a third (or a sixth) of the bytes to deflate and
// check-sum, and a smaller file, with the same pixels.
struct Indexed {
  std::vector<png_color> palette;
  int bits = 8;
  std::vector<uint8_t> rows;
  size_t row_bytes = 0;
};

// One row of indices packed Bits to a pixel, the leftmost in the high bits.
template <int Bits>
void pack_row(const uint8_t* from, size_t width, uint8_t* to) {
  constexpr size_t kPerByte = 8 / Bits;
  size_t x = 0;
  for (; x + kPerByte <= width; x += kPerByte) {
    unsigned byte = 0;
#pragma GCC unroll 8
    for (size_t k = 0; k < kPerByte; ++k) byte = byte << Bits | from[x + k];
    *to++ = uint8_t(byte);
  }
  if (x < width) {  // the last pixels, the byte's low bits left 0
    unsigned byte = 0;
    for (size_t k = 0; k < kPerByte; ++k) byte = byte << Bits | (x + k < width ? from[x + k] : 0u);
    *to = uint8_t(byte);
  }
}

// Indices (a byte a pixel, each below count) with their palette, packed at
// the fewest bits a pixel that hold count colours.
void pack_indices(int width, int height, const uint8_t (*palette)[3], int count, std::vector<uint8_t> index,
                  Indexed& out) {
  out.palette.resize(size_t(count));
  for (int k = 0; k < count; ++k) out.palette[size_t(k)] = {palette[k][0], palette[k][1], palette[k][2]};
  out.bits = count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8;
  if (out.bits == 8) {
    out.rows = std::move(index);
    out.row_bytes = size_t(width);
    return;
  }
  out.row_bytes = (size_t(width) * size_t(out.bits) + 7) / 8;
  out.rows.assign(out.row_bytes * height, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = index.data() + size_t(y) * width;
    uint8_t* to = out.rows.data() + size_t(y) * out.row_bytes;
    if (out.bits == 1) pack_row<1>(from, size_t(width), to);
    if (out.bits == 2) pack_row<2>(from, size_t(width), to);
    if (out.bits == 4) pack_row<4>(from, size_t(width), to);
  }
}

// False when the picture has more than 256 colours.
bool index_colours(const Layout& l, Indexed& out) {
  const size_t pixels = size_t(l.width) * l.height;
  std::vector<uint8_t> index(pixels);
  uint32_t colours[256];
  const uint8_t* p = l.rows;
  colours[0] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  int count = 1, last = 0;
  uint32_t last_colour = colours[0];
  // These pictures are mostly long runs of one colour: a block of pixels
  // each the same as the one before it (its bytes equal to those three
  // before) takes the last index whole.
  constexpr size_t kBlock = 16;
  for (size_t i = 0; i < pixels;) {
    if (i > 0 && i + kBlock <= pixels && std::memcmp(p, p - 3, 3 * kBlock) == 0) {
      std::memset(&index[i], last, kBlock);
      i += kBlock, p += 3 * kBlock;
      continue;
    }
    for (const size_t end = std::min(pixels, i + kBlock); i < end; ++i, p += 3) {
      const uint32_t c = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
      if (c != last_colour) {
        last = 0;
        while (last < count && colours[last] != c) ++last;
        if (last == count) {
          if (count == 256) return false;
          colours[count++] = c;
        }
        last_colour = c;
      }
      index[i] = uint8_t(last);
    }
  }
  uint8_t palette[256][3];
  for (int k = 0; k < count; ++k)
    palette[k][0] = uint8_t(colours[k] >> 16), palette[k][1] = uint8_t(colours[k] >> 8),
    palette[k][2] = uint8_t(colours[k]);
  pack_indices(l.width, l.height, palette, count, std::move(index), out);
  return true;
}

void append_to_string(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void flush_nothing(png_structp) {}

// Writes to the file, or (file null) appends to memory. libpng reports errors
// by longjmp back here; nothing in this frame has a destructor, so nothing is
// skipped by it.
bool write_stream(FILE* file, std::string* memory, const Layout& l, const Indexed* indexed) {
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
  png_set_compression_level(png, l.level);
  const uint8_t* rows = l.rows;
  size_t row_bytes = l.row_bytes;
  if (l.bilevel) {
    png_set_IHDR(png, info, png_uint_32(l.width), png_uint_32(l.height), 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  } else if (indexed) {
    png_set_IHDR(png, info, png_uint_32(l.width), png_uint_32(l.height), indexed->bits, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, indexed->palette.data(), int(indexed->palette.size()));
    rows = indexed->rows.data();
    row_bytes = indexed->row_bytes;
  } else {
    png_set_IHDR(png, info, png_uint_32(l.width), png_uint_32(l.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  }
  png_write_info(png, info);
  if (l.bilevel) png_set_invert_mono(png);  // grey 0 is black in PNG, a set bit here
  for (int y = 0; y < l.height; ++y) png_write_row(png, rows + size_t(y) * row_bytes);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool fits(const Layout& l) {
  return l.width > 0 && l.height > 0 && uint64_t(l.width) * uint64_t(l.height) <= kMaxPixels;
}

// The palette form of an RGB picture that has one, else null.
std::unique_ptr<Indexed> indexed_form(const Layout& l) {
  if (l.bilevel) return nullptr;
  auto indexed = std::make_unique<Indexed>();
  return index_colours(l, *indexed) ? std::move(indexed) : nullptr;
}

bool write_file(const std::string& path, const Layout& l) {
  if (!fits(l)) return false;
  const std::unique_ptr<Indexed> indexed = indexed_form(l);
  return output_file_write(path, [&](FILE* file) { return write_stream(file, nullptr, l, indexed.get()); });
}

std::string encode(const Layout& l) {
  std::string png;
  if (!fits(l)) return png;
  const std::unique_ptr<Indexed> indexed = indexed_form(l);
  if (!write_stream(nullptr, &png, l, indexed.get())) png.clear();
  return png;
}
}  // namespace

bool png_write_rgb(const std::string& path, int width, int height, const uint8_t* rgb, int level) {
  return write_file(path, {width, height, false, rgb, size_t(width) * 3, level});
}

bool png_write_bilevel(const std::string& path, int width, int height, const uint8_t* rows, int level) {
  return write_file(path, {width, height, true, rows, (size_t(width) + 7) / 8, level});
}

std::string png_encode_rgb(int width, int height, const uint8_t* rgb) {
  return encode({width, height, false, rgb, size_t(width) * 3, PNG_LEVEL});
}

std::string png_encode_indexed(int width, int height, const uint8_t (*palette)[3], int colours, const uint8_t* index) {
  const Layout l{width, height, false, index, size_t(width), PNG_LEVEL};
  if (!fits(l) || colours < 1 || colours > 256) return {};
  Indexed indexed;
  pack_indices(width, height, palette, colours, std::vector<uint8_t>(index, index + size_t(width) * height), indexed);
  std::string png;
  if (!write_stream(nullptr, &png, l, &indexed)) png.clear();
  return png;
}

std::string png_encode_bilevel(int width, int height, const uint8_t* rows) {
  return encode({width, height, true, rows, (size_t(width) + 7) / 8, PNG_LEVEL});
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
