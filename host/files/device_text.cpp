#include "host/files/device_text.h"

std::string device_codes_to_utf8(const std::vector<uint16_t>& codes) {
  std::string out;
  for (uint16_t c : codes) {
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool device_utf8_to_codes(const std::string& text, std::vector<uint16_t>& codes) {
  codes.clear();
  for (size_t i = 0; i < text.size();) {
    const uint8_t b = uint8_t(text[i]);
    int more;
    uint32_t c;
    if (b < 0x80) {
      c = b;
      more = 0;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      more = 1;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      more = 2;
    } else {
      return false;  // four-byte forms lie above U+FFFF
    }
    if (i + size_t(more) >= text.size()) return false;
    for (int k = 1; k <= more; ++k) {
      const uint8_t n = uint8_t(text[i + k]);
      if ((n & 0xC0) != 0x80) return false;
      c = c << 6 | (n & 0x3F);
    }
    // Overlong forms and surrogates are not valid UTF-8.
    if ((more == 1 && c < 0x80) || (more == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)))) return false;
    codes.push_back(uint16_t(c));
    i += size_t(more) + 1;
  }
  return true;
}
