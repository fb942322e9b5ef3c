// The caption band under an LCD animation: the caption's text (any Unicode,
// UTF-8) drawn with a real font through FreeType, word-wrapped onto the
// band's lines. A caption longer than the band is cut at a word with an
// ellipsis, and caption_fits() says so beforehand.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kCaptionLines = 2;
constexpr int kCaptionLineHeight = 17;
constexpr int kCaptionBandHeight = kCaptionLines * kCaptionLineHeight + 8;

// Draws text dark on the band: rgb is the whole picture (width RGB pixels a
// row), the band starts at row top and is kCaptionBandHeight high.
void caption_draw(std::vector<uint8_t>& rgb, int width, int top, const std::string& text);

// False when text needs more lines than the band holds at this width.
bool caption_fits(const std::string& text, int width);
