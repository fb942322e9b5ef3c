// PNG files for the pictures the simulator produces headless (LCD, tape,
// glyph sheets) and for the tests that read them back, through libpng.
// Writes go to a temporary file that is renamed into place, so a failed
// write never leaves a half-written picture behind.
#pragma once
#include <cstdint>
#include <string>

// The zlib level the pictures are written at. These few-coloured dot
// pictures pack nearly as small at 1 as at 9 and take a fraction of the
// time (bench/png_bench measures the levels), and a long label run writes
// thousands of them.
constexpr int PNG_LEVEL = 1;

// rgb: height rows of width RGB pixels. Returns false (and writes nothing)
// when the file cannot be written.
bool png_write_rgb(const std::string& path, int width, int height, const uint8_t* rgb, int level = PNG_LEVEL);
// A black and white picture at one bit a pixel: height rows of (width + 7) / 8
// bytes, bit 7 of a byte first, a set bit black (the rows of a P4 PBM).
bool png_write_bilevel(const std::string& path, int width, int height, const uint8_t* rows, int level = PNG_LEVEL);

// The same pictures as the bytes of a PNG file, for a caller that keeps them
// in memory; empty when the picture is empty or too large.
std::string png_encode_rgb(int width, int height, const uint8_t* rgb);
std::string png_encode_bilevel(int width, int height, const uint8_t* rows);
// A picture already in colour indices: height rows of width bytes, each below
// colours, an index into palette (RGB, at most 256 entries).
std::string png_encode_indexed(int width, int height, const uint8_t (*palette)[3], int colours, const uint8_t* index);

// Reads any PNG (grey, palette, RGB, with or without alpha, 8 or 16 bits,
// interlaced or not) into rgb as height rows of width RGB pixels; alpha is
// dropped. False when the file is missing, damaged or too large.
bool png_read_rgb(const std::string& path, int& width, int& height, std::string& rgb);
