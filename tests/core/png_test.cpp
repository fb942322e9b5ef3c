// PNG files: what is written reads back pixel for pixel, PNGs of other colour
// types read as the RGB they show, and damaged or missing files are refused.
#include "host/files/png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class PngTest : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("klx80_png_" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const char* name) const { return (dir / name).string(); }
};

TEST_F(PngTest, WrittenPictureReadsBackUnchanged) {
  const int w = 37, h = 5;
  std::vector<uint8_t> rgb(w * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7 + i / 3);
  ASSERT_TRUE(png_write_rgb(path("a.png"), w, h, rgb.data()));
  int rw = 0, rh = 0;
  std::string back;
  ASSERT_TRUE(png_read_rgb(path("a.png"), rw, rh, back));
  EXPECT_EQ(rw, w);
  EXPECT_EQ(rh, h);
  EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.end()), rgb);
  EXPECT_FALSE(fs::exists(path("a.png.tmp")));
}

// Few colours are stored as a palette at the fewest bits a pixel, many as
// RGB; odd widths leave part of each row's last byte: every pixel reads back.
TEST_F(PngTest, PaletteDepthFollowsTheColoursAndPixelsReadBack) {
  const struct {
    int colours, bit_depth, colour_type;
  } cases[] = {{1, 1, 3}, {2, 1, 3}, {3, 2, 3}, {5, 4, 3}, {16, 4, 3}, {17, 8, 3}, {256, 8, 3}, {257, 8, 2}};
  for (const auto& c : cases) {
    const int w = 61, h = 23;  // runs of five: 280 colours at most
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
      const size_t colour = (i / 5) % size_t(c.colours);  // runs of five
      rgb[i * 3] = uint8_t(colour), rgb[i * 3 + 1] = uint8_t(colour >> 8), rgb[i * 3 + 2] = 77;
    }
    const std::string png = png_encode_rgb(w, h, rgb.data());
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(int(png[24]), c.bit_depth) << c.colours << " colours";
    EXPECT_EQ(int(png[25]), c.colour_type) << c.colours << " colours";
    std::ofstream(path("p.png"), std::ios::binary) << png;
    int rw = 0, rh = 0;
    std::string back;
    ASSERT_TRUE(png_read_rgb(path("p.png"), rw, rh, back));
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.end()), rgb) << c.colours << " colours";
  }
}

TEST_F(PngTest, OtherColourTypesReadAsTheirRgb) {
  // One 2x1 picture, dark then light, stored as grey, grey+alpha and RGBA.
  struct Case {
    uint32_t format;
    std::vector<uint8_t> pixels;
  } cases[] = {{PNG_FORMAT_GRAY, {10, 250}},
               {PNG_FORMAT_GA, {10, 255, 250, 0}},
               {PNG_FORMAT_RGBA, {10, 10, 10, 255, 250, 250, 250, 128}}};
  for (const Case& c : cases) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 1;
    image.format = c.format;
    ASSERT_TRUE(png_image_write_to_file(&image, path("b.png").c_str(), 0, c.pixels.data(), 0, nullptr));
    int w = 0, h = 0;
    std::string rgb;
    ASSERT_TRUE(png_read_rgb(path("b.png"), w, h, rgb)) << c.format;
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin(), rgb.end()), (std::vector<uint8_t>{10, 10, 10, 250, 250, 250}))
        << c.format;
  }
}

TEST_F(PngTest, DamagedMissingAndUnwritableFilesAreRefused) {
  const uint8_t rgb[4 * 4 * 3] = {};
  ASSERT_TRUE(png_write_rgb(path("good.png"), 4, 4, rgb));
  fs::copy_file(path("good.png"), path("cut.png"));
  fs::resize_file(path("cut.png"), fs::file_size(path("good.png")) / 2);
  std::ofstream(path("text.png")) << "not a picture\n";
  int w = 0, h = 0;
  std::string out;
  for (const char* name : {"cut.png", "text.png", "missing.png"})
    EXPECT_FALSE(png_read_rgb(path(name), w, h, out)) << name;

  const std::string nowhere = path("no_such_folder/x.png");
  EXPECT_FALSE(png_write_rgb(nowhere, 4, 4, rgb));
  EXPECT_FALSE(fs::exists(nowhere + ".tmp"));
}

}  // namespace
