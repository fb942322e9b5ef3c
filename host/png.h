// Minimal PNG writer for the pictures the simulator produces headless
// (LCD, tape, glyph sheets). Writes to a temporary file and renames it, so a
// failed write never leaves a half-written picture behind.
#pragma once
#include <cstdint>
#include <string>

// rgb: height rows of width RGB pixels. Returns false (and writes nothing)
// when the file cannot be written.
bool png_write_rgb(const std::string& path, int width, int height, const uint8_t* rgb);

// Reads an 8-bit RGB or RGBA PNG written by this module (or any non-interlaced
// 8-bit truecolour PNG) into rgb; false when it cannot.
bool png_read_rgb(const std::string& path, int& width, int& height, std::string& rgb);
