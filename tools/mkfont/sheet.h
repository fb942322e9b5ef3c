// A picture of every glyph of one size (codes 0..255 and 513..552), read back
// from a flash image through the firmware's own font layer, for reviewing the
// art. Each ordinary code shows its regular and its bold glyph.
#pragma once
#include <string>

bool write_glyph_sheet(const std::string& image_path, int size, const std::string& png_path);
