#include "host/files/tape_pbm.h"

#include <fstream>

#include "host/files/output_file.h"
#include "host/seam/tape.h"

std::string tape_pbm() {
  std::vector<TapeColumn> columns(tape_column_count());
  for (size_t i = 0; i < columns.size(); ++i) tape_column(i, columns[i]);
  return tape_pbm_of(columns);
}

std::string tape_pbm_of(const std::vector<TapeColumn>& columns) {
  const size_t width = columns.size();
  const std::string header = "P4\n" + std::to_string(width) + " " + std::to_string(TAPE_DOTS) + "\n";
  // Each picture row is packed 8 columns a byte, leftmost column in bit 7,
  // 1 = black. Stored column byte j bit 7 first is picture row 8j.
  const size_t row_bytes = (width + 7) / 8;
  std::string out = header;
  out.resize(header.size() + row_bytes * TAPE_DOTS, '\0');
  char* bits = out.data() + header.size();
  for (int row = 0; row < TAPE_DOTS; ++row) {
    const uint8_t mask = uint8_t(0x80 >> (row % 8));
    for (size_t x = 0; x < width; ++x)
      if (columns[x][row / 8] & mask) bits[row * row_bytes + x / 8] |= char(0x80 >> (x % 8));
  }
  return out;
}

bool tape_write_pbm(const std::string& path) {
  const std::string bytes = tape_pbm();
  return output_file_write(path, [&](FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); });
}
