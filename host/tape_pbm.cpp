#include "host/tape_pbm.h"

#include <fstream>

#include "host/tape.h"

std::string tape_pbm() {
  const size_t width = tape_column_count();
  std::string out = "P1\n" + std::to_string(width) + " " + std::to_string(TAPE_DOTS) + "\n";
  std::vector<TapeColumn> columns(width);
  for (size_t i = 0; i < width; ++i) tape_column(i, columns[i]);
  out.reserve(out.size() + (width + width / 70 + 2) * TAPE_DOTS);
  // Stored column byte j bit 7 first is picture row 8j; lines of at most 70.
  for (int row = 0; row < TAPE_DOTS; ++row) {
    const uint8_t mask = uint8_t(0x80 >> (row % 8));
    for (size_t x = 0; x < width; ++x) {
      out += (columns[x][row / 8] & mask) ? '1' : '0';
      if (x % 70 == 69 && x + 1 < width) out += '\n';
    }
    out += '\n';
  }
  return out;
}

bool tape_write_pbm(const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  if (!file) return false;
  file << tape_pbm();
  return bool(file);
}
