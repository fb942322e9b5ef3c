// PNG files in a build without libpng (the web edition, whose page makes its
// pictures from the canvas): every PNG write and read says it cannot.
#include "host/files/png.h"

bool png_write_rgb(const std::string&, int, int, const uint8_t*, int) { return false; }
bool png_write_bilevel(const std::string&, int, int, const uint8_t*, int) { return false; }
bool png_read_rgb(const std::string&, int&, int&, std::string&) { return false; }
std::string png_encode_rgb(int, int, const uint8_t*) { return {}; }
std::string png_encode_bilevel(int, int, const uint8_t*) { return {}; }
std::string png_encode_indexed(int, int, const uint8_t (*)[3], int, const uint8_t*) { return {}; }
