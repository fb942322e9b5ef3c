// Whole-image checks for tools that read or rewrite a flash image file: is it
// long enough for the fonts and the storage sectors, and do the font data
// match the byte sum stored after them at 0xEFFFC.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t FLASH_IMAGE_SIZE = 0x100000;  // 1 MiB: fonts, then the storage sectors
constexpr uint32_t FLASH_FONT_SUM_ADDR = 0xEFFFC;

// The 32-bit sum of the font area (bytes 0..0xEFFFB); the image must hold them.
uint32_t flash_font_sum(const uint8_t* image);
// "" when the image looks whole, else one sentence on what is wrong (too short
// for the fonts, font data that do not match their sum, too short for the
// storage sectors).
std::string flash_image_problem(const uint8_t* image, size_t size);
