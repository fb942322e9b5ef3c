#include "host/png.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

uint32_t get_u32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

void put_chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  put_u32(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put_u32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

bool read_file(const std::string& path, std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

uint8_t paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  return uint8_t(pb <= pc ? b : c);
}
}  // namespace

bool png_write_rgb(const std::string& path, int width, int height, const uint8_t* rgb) {
  std::vector<uint8_t> raw;
  raw.reserve(size_t(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), rgb + size_t(y) * width * 3, rgb + size_t(y + 1) * width * 3);
  }
  uLongf packed_size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
  packed.resize(packed_size);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put_u32(header, uint32_t(width));
  put_u32(header, uint32_t(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  put_chunk(out, "IHDR", header);
  put_chunk(out, "IDAT", packed);
  put_chunk(out, "IEND", {});

  std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

bool png_read_rgb(const std::string& path, int& width, int& height, std::string& rgb) {
  std::vector<uint8_t> data;
  if (!read_file(path, data) || data.size() < 33 || std::memcmp(data.data() + 1, "PNG", 3) != 0) return false;
  std::vector<uint8_t> packed;
  int channels = 0;
  for (size_t pos = 8; pos + 12 <= data.size();) {
    uint32_t length = get_u32(&data[pos]);
    if (pos + 12 + length > data.size()) return false;
    const uint8_t* type = &data[pos + 4];
    const uint8_t* body = &data[pos + 8];
    if (!std::memcmp(type, "IHDR", 4)) {
      width = int(get_u32(body));
      height = int(get_u32(body + 4));
      if (body[8] != 8 || (body[9] != 2 && body[9] != 6) || body[12] != 0) return false;
      channels = body[9] == 2 ? 3 : 4;
    } else if (!std::memcmp(type, "IDAT", 4)) {
      packed.insert(packed.end(), body, body + length);
    }
    pos += 12 + length;
  }
  if (!channels || width <= 0 || height <= 0 || width > 1 << 20 || height > 1 << 20) return false;
  size_t stride = size_t(width) * channels;
  std::vector<uint8_t> raw((stride + 1) * height);
  uLongf raw_size = uLongf(raw.size());
  if (uncompress(raw.data(), &raw_size, packed.data(), uLong(packed.size())) != Z_OK || raw_size != raw.size())
    return false;
  std::vector<uint8_t> prev(stride, 0), line(stride);
  rgb.assign(size_t(width) * height * 3, '\0');
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = &raw[y * (stride + 1)];
    uint8_t filter = src[0];
    for (size_t i = 0; i < stride; ++i) {
      int a = i >= size_t(channels) ? line[i - channels] : 0, b = prev[i];
      int c = i >= size_t(channels) ? prev[i - channels] : 0;
      int pred = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : 0;
      line[i] = uint8_t(src[1 + i] + pred);
    }
    for (int x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k) rgb[(size_t(y) * width + x) * 3 + k] = char(line[x * channels + k]);
    prev = line;
  }
  return true;
}
