// GIF through giflib. Each frame after the first is written as the smallest
// rectangle that holds every pixel that changed, left in place for the next
// (a key press or a new LCD line costs that area, not the picture). Each
// rectangle has its own colour table: exact when it holds at most 256
// colours (the LCD always does), otherwise the most used colour of each of
// the 255 most used five-bit buckets, every other colour taking the nearest.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "anim/animation_file.h"
#include "host/files/output_file.h"

namespace {

struct Box {
  int left = 0, top = 0, width = 0, height = 0;
};

// The rectangle where a and b differ (width 0 when they are the same).
Box changed_box(const uint8_t* a, const uint8_t* b, int width, int height) {
  const size_t row = size_t(width) * 3;
  int top = -1, bottom = -1, left = width, right = -1;
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = a + y * row;
    const uint8_t* q = b + y * row;
    if (std::memcmp(p, q, row) == 0) continue;
    if (top < 0) top = y;
    bottom = y;
    int x = 0;
    while (x < left && std::memcmp(p + x * 3, q + x * 3, 3) == 0) ++x;
    left = std::min(left, x);
    int r = width - 1;
    while (r > right && std::memcmp(p + r * 3, q + r * 3, 3) == 0) --r;
    right = std::max(right, r);
  }
  if (top < 0) return {};
  return {left, top, right - left + 1, bottom - top + 1};
}

uint32_t colour_at(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }
uint16_t bucket_of(uint32_t c) { return uint16_t((c >> 9 & 0x7C00) | (c >> 6 & 0x03E0) | (c >> 3 & 0x001F)); }

// The colour table and the pixels' indices for one rectangle.
struct Indexed {
  std::vector<GifColorType> colours;
  std::vector<GifPixelType> pixels;
};

Indexed index_box(const uint8_t* rgb, int width, const Box& box) {
  auto row_of = [&](int y) { return rgb + (size_t(box.top + y) * width + box.left) * 3; };
  // Every colour with its count (runs of one colour counted at once).
  std::unordered_map<uint32_t, uint32_t> counts;
  for (int y = 0; y < box.height; ++y) {
    const uint8_t* p = row_of(y);
    for (int x = 0; x < box.width;) {
      const uint32_t c = colour_at(p + x * 3);
      int run = 1;
      while (x + run < box.width && colour_at(p + (x + run) * 3) == c) ++run;
      counts[c] += uint32_t(run);
      x += run;
    }
  }

  Indexed out;
  std::unordered_map<uint32_t, uint8_t> index;
  if (counts.size() <= 256) {
    for (auto [c, n] : counts) {
      index[c] = uint8_t(out.colours.size());
      out.colours.push_back({GifByteType(c >> 16), GifByteType(c >> 8), GifByteType(c)});
    }
  } else {
    // Too many colours: the 255 most used five-bit buckets, each as its most
    // used colour (so flat areas such as the LCD stay exact); other colours
    // take the nearest entry.
    struct Bucket {
      uint32_t total = 0, best = 0, best_count = 0;
    };
    std::vector<Bucket> buckets(32768);
    for (auto [c, n] : counts) {
      Bucket& b = buckets[bucket_of(c)];
      b.total += n;
      if (n > b.best_count) b.best = c, b.best_count = n;
    }
    std::vector<uint16_t> used;
    for (uint32_t b = 0; b < 32768; ++b)
      if (buckets[b].total) used.push_back(uint16_t(b));
    const size_t kept = std::min<size_t>(used.size(), 255);
    std::partial_sort(used.begin(), used.begin() + kept, used.end(),
                      [&](uint16_t a, uint16_t b) { return buckets[a].total > buckets[b].total; });
    for (size_t i = 0; i < kept; ++i) {
      const uint32_t c = buckets[used[i]].best;
      index[c] = uint8_t(i);
      out.colours.push_back({GifByteType(c >> 16), GifByteType(c >> 8), GifByteType(c)});
    }
  }
  // A colour not in the table takes the nearest entry, found once per colour
  // (not once per bucket: the first colour of a bucket would decide for all
  // of it). A shift of hue costs more than one of brightness, so that a grey
  // shade takes a grey, not a faintly green entry that is nearer in green.
  auto lookup = [&](uint32_t c) {
    if (auto it = index.find(c); it != index.end()) return it->second;
    const int r = int(c >> 16), g = int(c >> 8 & 0xFF), bl = int(c & 0xFF);
    int best = 0, best_distance = 1 << 30;
    for (size_t i = 0; i < out.colours.size(); ++i) {
      const int dr = r - out.colours[i].Red, dg = g - out.colours[i].Green, db = bl - out.colours[i].Blue;
      const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db + 6 * ((dr - dg) * (dr - dg) + (db - dg) * (db - dg));
      if (d < best_distance) best_distance = d, best = int(i);
    }
    index[c] = uint8_t(best);
    return uint8_t(best);
  };
  out.pixels.resize(size_t(box.width) * box.height);
  for (int y = 0; y < box.height; ++y) {
    const uint8_t* p = row_of(y);
    GifPixelType* o = &out.pixels[size_t(y) * box.width];
    uint32_t last = ~0u;
    uint8_t last_index = 0;
    for (int x = 0; x < box.width; ++x, p += 3) {
      const uint32_t c = colour_at(p);
      if (c != last) last = c, last_index = lookup(c);
      o[x] = last_index;
    }
  }
  return out;
}

int append_bytes(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + length);
  return length;
}

class GifFile final : public AnimationFile {
 public:
  GifFile(std::string path, int width, int height) : path_(std::move(path)), width_(width), height_(height) {}
  ~GifFile() override {
    if (gif_) EGifCloseFile(gif_, nullptr);
  }

  bool open(std::string& error) {
    int code = 0;
    gif_ = EGifOpen(&bytes_, append_bytes, &code);
    if (!gif_) return fail(error, code);
    EGifSetGifVersion(gif_, true);
    if (EGifPutScreenDesc(gif_, width_, height_, 8, 0, nullptr) == GIF_ERROR) return fail(error, gif_->Error);
    // Loops for ever.
    static const GifByteType kLoop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 3, kLoop) == GIF_ERROR || EGifPutExtensionTrailer(gif_) == GIF_ERROR)
      return fail(error, gif_->Error);
    return true;
  }

  bool add(const uint8_t* rgb, uint32_t centiseconds, std::string& error) override {
    const size_t size = size_t(width_) * height_ * 3;
    Box box{0, 0, width_, height_};
    if (!previous_.empty()) {
      box = changed_box(previous_.data(), rgb, width_, height_);
      // Nothing changed: the previous frame is held longer. GIF keeps a
      // frame's delay before its picture, so a one-pixel frame stands in.
      if (box.width == 0) box = {0, 0, 1, 1};
    }
    previous_.assign(rgb, rgb + size);
    Indexed indexed = index_box(rgb, width_, box);
    int bits = 1;
    while ((1 << bits) < int(indexed.colours.size())) ++bits;
    indexed.colours.resize(size_t(1) << bits, GifColorType{0, 0, 0});
    ColorMapObject* map = GifMakeMapObject(1 << bits, indexed.colours.data());
    if (!map) {
      error = "out of memory for a GIF colour table";
      return false;
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = int(std::min<uint32_t>(centiseconds, 65535));
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_ERROR &&
              EGifPutImageDesc(gif_, box.left, box.top, box.width, box.height, false, map) != GIF_ERROR;
    for (int y = 0; ok && y < box.height; ++y)
      ok = EGifPutLine(gif_, &indexed.pixels[size_t(y) * box.width], box.width) != GIF_ERROR;
    GifFreeMapObject(map);
    return ok || fail(error, gif_->Error);
  }

  bool finish(std::string& error) override {
    int code = 0;
    const int closed = EGifCloseFile(gif_, &code);
    gif_ = nullptr;
    if (closed == GIF_ERROR) return fail(error, code);
    if (!output_file_write(path_, [this](FILE* f) {
          return std::fwrite(bytes_.data(), 1, bytes_.size(), f) == bytes_.size();
        })) {
      error = "cannot write '" + path_ + "'";
      return false;
    }
    return true;
  }

 private:
  static bool fail(std::string& error, int code) {
    const char* why = GifErrorString(code);
    error = std::string("GIF: ") + (why ? why : "unknown error");
    return false;
  }

  std::string path_;
  int width_, height_;
  GifFileType* gif_ = nullptr;
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> previous_;
};
}  // namespace

std::unique_ptr<AnimationFile> animation_open_gif(const std::string& path, int width, int height, std::string& error) {
  auto file = std::make_unique<GifFile>(path, width, height);
  if (!file->open(error)) return nullptr;
  return file;
}
