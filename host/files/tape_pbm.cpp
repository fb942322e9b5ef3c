#include "host/files/tape_pbm.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "host/files/output_file.h"
#include "host/seam/tape.h"

namespace {
// Transposes an 8 x 8 bit block, row 0 in the top byte and column 0 in bit 7
// of each byte: rows become columns.
uint64_t transpose8(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  return x ^ t ^ (t << 28);
}

// Each picture row is packed 8 columns a byte, leftmost column in bit 7,
// 1 = black. Stored column byte j bit 7 first is picture rows 8j..8j+7, so
// eight columns' byte j, transposed, are those eight rows' byte. bits holds
// (width + 7) / 8 * TAPE_DOTS zero bytes.
void put_rows(const std::vector<TapeColumn>& columns, uint8_t* bits) {
  const size_t width = columns.size(), row_bytes = (width + 7) / 8;
  for (size_t block = 0; block < row_bytes; ++block) {
    const size_t x0 = block * 8, n = std::min<size_t>(8, width - x0);
    for (int j = 0; j < TAPE_COLUMN_BYTES; ++j) {
      uint64_t x = 0;
      for (size_t k = 0; k < n; ++k) x |= uint64_t(columns[x0 + k][j]) << (56 - 8 * k);
      if (!x) continue;
      x = transpose8(x);
      for (int r = 0; r < 8; ++r) bits[size_t(8 * j + r) * row_bytes + block] = uint8_t(x >> (56 - 8 * r));
    }
  }
}
}  // namespace

std::string tape_pbm() {
  std::vector<TapeColumn> columns;
  const size_t width = tape_copy_columns(0, TAPE_MAX_COLUMNS, columns);
  columns.resize(width);
  return tape_pbm_of(columns);
}

std::string tape_pbm_of(const std::vector<TapeColumn>& columns) {
  const size_t width = columns.size();
  const std::string header = "P4\n" + std::to_string(width) + " " + std::to_string(TAPE_DOTS) + "\n";
  std::string out = header;
  out.resize(header.size() + (width + 7) / 8 * TAPE_DOTS, '\0');
  put_rows(columns, reinterpret_cast<uint8_t*>(out.data() + header.size()));
  return out;
}

std::vector<uint8_t> tape_rows_of(const std::vector<TapeColumn>& columns) {
  std::vector<uint8_t> rows((columns.size() + 7) / 8 * TAPE_DOTS);
  put_rows(columns, rows.data());
  return rows;
}

bool tape_write_pbm(const std::string& path) {
  const std::string bytes = tape_pbm();
  return output_file_write_bytes(path, bytes.data(), bytes.size());
}
