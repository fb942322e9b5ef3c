#include "host/flash_image.h"

uint32_t flash_font_sum(const uint8_t* image) {
  uint32_t sum = 0;
  for (uint32_t a = 0; a < FLASH_FONT_SUM_ADDR; ++a) sum += image[a];
  return sum;
}

std::string flash_image_problem(const uint8_t* image, size_t size) {
  if (size < FLASH_FONT_SUM_ADDR + 4) return "it is too short to hold the fonts (" + std::to_string(size) + " bytes)";
  const uint8_t* stored = image + FLASH_FONT_SUM_ADDR;
  const uint32_t expected = uint32_t(stored[0]) | stored[1] << 8 | stored[2] << 16 | uint32_t(stored[3]) << 24;
  if (flash_font_sum(image) != expected) return "its font data do not match their check sum";
  if (size < FLASH_IMAGE_SIZE)
    return "it is too short to hold the label storage (" + std::to_string(size) + " of " +
           std::to_string(FLASH_IMAGE_SIZE) + " bytes)";
  return "";
}
