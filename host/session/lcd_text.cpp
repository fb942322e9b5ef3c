// Screen text reader. Each text line becomes 132 sixteen-bit columns (bit 15
// the top row); a small dynamic programme walks them left to right in one of
// three readings (plain, inverted, inside the barcode field's box), matching
// glyph ink exactly, and keeps the reading with the fewest unknown blobs, then
// the fewest changes of reading, then the fewest glyphs.
#include "host/session/lcd_text.h"

#include <algorithm>
#include <cstring>

#include "firmware/display/lcd.h"
#include "host/seam/spi_flash.h"

namespace {
constexpr uint32_t kFontAreaEnd = 0xEFFFC;  // the store's byte sum follows
constexpr uint16_t kLastCode = 552;         // extended glyphs 1..40 end here
constexpr uint16_t kUnknownCode = '?';
constexpr int kUnknownCost = 100000, kSwitchCost = 100, kGlyphCost = 1;
constexpr int kStatusColumns = 56;  // the status line shows columns 0..55

uint16_t reverse16(uint16_t v) {
  uint16_t r = 0;
  for (int i = 0; i < 16; ++i)
    if (v & (1u << i)) r = uint16_t(r | (0x8000u >> i));
  return r;
}

uint32_t u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Descriptor {
  uint8_t width = 0, left = 0, right = 0;
  uint32_t address = 0;
  int inked = 0;  // 0 for a blank glyph or one whose bitmap lies outside the font area
};

struct Item {
  uint16_t code;  // 0 reads as nothing
  int start, end;
};

struct Reading {
  std::vector<Item> items;
  bool inverse = false;
  int unknown = 0;
  int cost = 0;
};

// Reads a run of columns. `full` is the mask of the rows that count; the box
// reading drops `box_rows` (the field box's top and bottom edge) and takes a
// lone full column (a box side) as blank.
Reading read_columns(const LcdTextReader::Table& table, const uint16_t* v, int n, int offset, uint16_t full,
                     uint16_t box_rows) {
  // Without a single full column there is no highlight and no box side: the
  // plain reading alone saves two thirds of the work.
  const bool any_full = std::find(v, v + n, full) != v + n;
  const int states = !any_full ? 1 : box_rows ? 3 : 2;
  uint16_t view[3][LCD_COLUMNS];
  for (int x = 0; x < n; ++x) {
    view[0][x] = v[x];
    view[1][x] = uint16_t(~v[x] & full);
  }
  if (box_rows) {
    auto is_full = [&](int x) { return x >= 0 && x < n && v[x] == full; };
    for (int x = 0; x < n; ++x)
      view[2][x] = (is_full(x) && !is_full(x - 1) && !is_full(x + 1)) ? 0 : uint16_t(v[x] & ~box_rows);
  }

  // step[x][s]: what reading s does at x (-1 blank, -2 unknown blob, else a glyph).
  std::array<int, 3> cost[LCD_COLUMNS + 1], step[LCD_COLUMNS], next_state[LCD_COLUMNS], local[LCD_COLUMNS];
  cost[n] = {0, 0, 0};
  for (int x = n - 1; x >= 0; --x) {
    for (int s = 0; s < states; ++s) {
      const uint16_t* w = view[s];
      int best, choice;
      if (w[x] == 0) {
        best = cost[x + 1][s];
        choice = -1;
      } else {
        int y = x + 1;
        while (y < n && w[y] != 0) ++y;
        best = kUnknownCost + cost[y][s];
        choice = -2;
        auto it = table.by_first.find(w[x]);
        if (it != table.by_first.end())
          for (int g : it->second) {
            const std::vector<uint16_t>& ink = table.glyphs[g].ink;
            const int len = int(ink.size());
            if (x + len > n || !std::equal(ink.begin(), ink.end(), w + x)) continue;
            const int c = kGlyphCost + cost[x + len][s];
            if (c < best) {
              best = c;
              choice = g;
            }
          }
      }
      local[x][s] = best;
      step[x][s] = choice;
    }
    for (int s = 0; s < states; ++s) {
      int best = local[x][s], to = s;
      for (int t = 0; t < states; ++t)
        if (t != s && local[x][t] + kSwitchCost < best) {
          best = local[x][t] + kSwitchCost;
          to = t;
        }
      cost[x][s] = best;
      next_state[x][s] = to;
    }
  }

  Reading r;
  r.cost = n ? cost[0][0] : 0;
  int s = 0;
  for (int x = 0; x < n;) {
    s = next_state[x][s];
    const int choice = step[x][s];
    if (s == 1) r.inverse = true;
    if (choice == -1) {
      ++x;
    } else if (choice == -2) {
      int y = x + 1;
      while (y < n && view[s][y] != 0) ++y;
      r.items.push_back({kUnknownCode, offset + x, offset + y});
      ++r.unknown;
      x = y;
    } else {
      const LcdTextReader::Glyph& g = table.glyphs[choice];
      const int start = offset + x - g.left;
      r.items.push_back({g.code, start, start + g.width});
      x += int(g.ink.size());
    }
  }
  return r;
}

// Items to codes: blank runs between cells become spaces, one per advance.
std::vector<uint16_t> to_codes(const std::vector<Item>& items, int space_width) {
  std::vector<uint16_t> out;
  bool first = true;
  int previous_end = 0;
  for (const Item& item : items) {
    if (item.code == 0) continue;
    if (!first && item.start > previous_end)
      out.insert(out.end(), size_t((item.start - previous_end + space_width / 2) / space_width), uint16_t(' '));
    out.push_back(item.code);
    previous_end = item.end;
    first = false;
  }
  return out;
}

// One text line (two pages) as columns, bit 15 the top row.
void line_columns(const uint8_t* frame, int page, uint16_t mask, uint16_t out[LCD_COLUMNS]) {
  for (int c = 0; c < LCD_COLUMNS; ++c)
    out[c] = uint16_t((frame[page * LCD_COLUMNS + c] << 8 | frame[(page + 1) * LCD_COLUMNS + c]) & mask);
}

void append(std::vector<uint16_t>& line, const std::vector<uint16_t>& field) {
  if (field.empty()) return;
  if (!line.empty()) line.push_back(' ');
  line.insert(line.end(), field.begin(), field.end());
}

std::vector<uint16_t> ascii(const char* text) { return std::vector<uint16_t>(text, text + std::strlen(text)); }
}  // namespace

void LcdTextReader::Table::add(Glyph g) {
  glyphs.push_back(std::move(g));
  std::vector<int>& list = by_first[glyphs.back().ink[0]];
  list.push_back(int(glyphs.size()) - 1);
  std::stable_sort(list.begin(), list.end(), [&](int a, int b) { return glyphs[a].ink.size() > glyphs[b].ink.size(); });
}

LcdTextReader::LcdTextReader(const FlashRead& read, uint32_t size) {
  const uint32_t limit = std::min(size, kFontAreaEnd);
  auto fetch = [&](uint32_t address, uint8_t* out, uint32_t length) {
    std::memset(out, 0, length);
    if (uint64_t(address) + length <= limit) read(address, out, length);
  };
  uint8_t header[72];
  fetch(0, header, sizeof header);
  auto descriptor = [&](int slot, uint32_t index) {
    uint8_t d[9];
    fetch(u32(header + 4 * slot) + 9 * index, d, sizeof d);
    Descriptor r{d[0], d[3], d[4], u32(d + 5), 0};
    const int inked = int(r.width) - r.left - r.right;
    if (inked > 0 && uint64_t(r.address) + 2ull * inked <= limit) r.inked = inked;
    return r;
  };

  for (uint16_t code = 1; code <= kLastCode; ++code) {
    // The LCD advances by the regular width and draws the bold dots (the
    // extended set has one table for both).
    const bool extended = code > 512;
    const Descriptor regular = extended ? descriptor(13, code - 512u) : descriptor(1, code);
    const Descriptor bold = extended ? regular : descriptor(7, code);
    std::vector<uint16_t> columns(regular.width, 0);
    std::vector<uint8_t> bitmap(size_t(bold.inked) * 2);
    if (bold.inked) fetch(bold.address, bitmap.data(), uint32_t(bitmap.size()));
    for (int c = 0; c < regular.width; ++c) {
      const int k = c - bold.left;
      if (k >= 0 && k < bold.inked) columns[c] = reverse16(uint16_t(bitmap[2 * k] << 8 | bitmap[2 * k + 1]));
    }
    if (code == ' ' && regular.width) space_width_ = regular.width;
    cells_[code] = columns;

    for (Table* table : {&text_, &status_, &status_plain_}) {
      std::vector<uint16_t> shown = columns;
      if (table == &status_)  // one dot below the rule; the glyph's last row falls off
        for (uint16_t& v : shown) v = uint16_t(v >> 1);
      if (table == &status_plain_)  // in the rule's row, which does not count
        for (uint16_t& v : shown) v = uint16_t(v & 0x7FFF);
      const auto first = std::find_if(shown.begin(), shown.end(), [](uint16_t v) { return v != 0; });
      if (first == shown.end()) continue;
      const auto last = std::find_if(shown.rbegin(), shown.rend(), [](uint16_t v) { return v != 0; }).base();
      table->add({code, uint8_t(first - shown.begin()), regular.width, std::vector<uint16_t>(first, last)});
    }
  }
  for (uint8_t n = 0; n < 4; ++n) {
    const uint8_t* m = lcd_line_marker_bytes(n);
    Glyph marker{0, 0, 8, {}};
    for (int c = 0; c < 8; ++c) marker.ink.push_back(uint16_t(m[c] << 8 | m[8 + c]));
    while (marker.ink.back() == 0) marker.ink.pop_back();
    while (marker.ink.front() == 0) {
      marker.ink.erase(marker.ink.begin());
      ++marker.left;
    }
    text_.add(marker);
  }
  static const struct {
    uint8_t type;
    const char* name;
  } kTypeIcons[] = {{0, "[A]"}, {1, "[B]"}, {2, "[F]"}, {26, "[AAA]"}, {46, "[W]"}, {47, "[TTTT]"}};
  for (const auto& t : kTypeIcons) {
    uint8_t upper[36], lower[36];
    lcd_label_type_icon_columns(t.type, upper, lower);
    TypeIcon icon{t.name, {}};
    for (int c = 0; c < 36; ++c) icon.columns[c] = uint16_t((upper[c] << 8 | lower[c]) & 0x7FFF);
    type_icons_.push_back(icon);
  }
  for (uint8_t size = 0; size <= 6; ++size) {
    const uint8_t* pairs = lcd_size_icon_pairs(size);
    for (int c = 0; c < 17; ++c) size_icons_[size][c] = uint16_t((pairs[2 * c] << 8 | pairs[2 * c + 1]) & 0x7FFF);
  }
}

LcdTextReader::LcdTextReader(const std::vector<uint8_t>& image)
    : LcdTextReader([&image](uint32_t address, uint8_t* out,
                             uint32_t length) { std::memcpy(out, image.data() + address, length); },
                    uint32_t(std::min<size_t>(image.size(), UINT32_MAX))) {}

LcdTextReader LcdTextReader::from_flash() {
  return LcdTextReader(
      [](uint32_t address, uint8_t* out, uint32_t length) {
        for (uint32_t done = 0; done < length;) {  // spi_read takes at most 65535 bytes at a time
          const uint16_t part = uint16_t(std::min<uint32_t>(length - done, 0xFFFF));
          spi_read(out + done, address + done, part);
          done += part;
        }
      },
      kFontAreaEnd);
}

std::vector<uint16_t> LcdTextReader::cell(uint16_t code) const {
  auto it = cells_.find(code);
  return it == cells_.end() ? std::vector<uint16_t>() : it->second;
}

LcdText LcdTextReader::read(const uint8_t frame[LCD_FRAME_BYTES]) const {
  uint8_t f[LCD_FRAME_BYTES];
  std::memcpy(f, frame, sizeof f);
  // The menus' scroll bar: column 130 dark over the whole text area.
  bool scroll_bar = true;
  for (int p = 0; p < 6; ++p) scroll_bar = scroll_bar && f[p * LCD_COLUMNS + 130] == 0xFF;
  if (scroll_bar)
    for (int p = 0; p < 6; ++p) std::memset(f + p * LCD_COLUMNS + 129, 0, 3);

  LcdText out;
  auto read_area = [&](const int(&pages)[3], int count, LcdText& t) {
    int cost = 0;
    for (int i = 0; i < count; ++i) {
      uint16_t columns[LCD_COLUMNS];
      line_columns(f, pages[i], 0xFFFF, columns);
      Reading r = read_columns(text_, columns, LCD_COLUMNS, 0, 0xFFFF, 0x8001);
      t.lines[i] = to_codes(r.items, space_width_);
      t.inverse[i] = r.inverse;
      t.unknown += r.unknown;
      cost += r.cost;
    }
    return cost;
  };
  static const int kLines[3] = {0, 2, 4}, kPickerRows[3] = {0, 3, 0};
  const int cost = read_area(kLines, 3, out);
  // The symbol picker's second row sits on pages 3-4, pages 2 and 5 blank.
  bool picker = out.unknown > 0;
  for (int c = 0; picker && c < LCD_COLUMNS; ++c) picker = f[2 * LCD_COLUMNS + c] == 0 && f[5 * LCD_COLUMNS + c] == 0;
  if (picker) {
    LcdText rows;
    if (read_area(kPickerRows, 2, rows) < cost) out = rows;
  }

  // Status line, columns 0..55; the rule row does not count. The status
  // fields stand one dot below the rule; a service page writes plain text
  // there (the information page's "V:9000"). The reading with fewer unknown
  // blobs wins.
  uint16_t status[LCD_COLUMNS];
  line_columns(f, 6, 0x7FFF, status);
  int unknown = 0;
  bool inverse = false;
  std::vector<uint16_t> fields = read_status_fields(status, unknown, inverse);
  if (unknown > 0) {
    const Reading plain = read_columns(status_plain_, status, kStatusColumns, 0, 0x7FFF, 0);
    if (plain.unknown < unknown) {
      fields = to_codes(plain.items, space_width_);
      unknown = plain.unknown;
      inverse = plain.inverse;
    }
  }
  out.lines[3] = fields;
  out.unknown += unknown;
  out.inverse[3] = inverse;
  return out;
}

std::vector<uint16_t> LcdTextReader::read_status_fields(const uint16_t* status, int& unknown, bool& inverse) const {
  std::vector<uint16_t> line;
  auto read_field = [&](int from, int to) {
    Reading r = read_columns(status_, status + from, to - from, from, 0x7FFF, 0);
    unknown += r.unknown;
    inverse = inverse || r.inverse;
    append(line, to_codes(r.items, space_width_));
  };
  const TypeIcon* type = nullptr;
  for (const TypeIcon& t : type_icons_)
    if (std::equal(t.columns.begin(), t.columns.end(), status)) type = &t;
  const char* size = nullptr;
  static const char* const kSizes[7] = {"A", "6", "9", "14", "20", "28", "40"};
  for (int s = 0; s <= 6; ++s)
    if (std::equal(size_icons_[s].begin(), size_icons_[s].end(), status + 36)) size = kSizes[s];
  // Without a size icon the line is one text (a note such as "Erased" runs
  // past column 36) and reads as one field.
  if (type)
    append(line, ascii(type->name));
  else
    read_field(0, size ? 36 : kStatusColumns);
  if (size)
    append(line, ascii(size));
  else if (type)
    read_field(36, kStatusColumns);
  return line;
}

LcdText LcdTextReader::read_mirror() const {
  uint8_t frame[LCD_FRAME_BYTES];
  mirror_copy_framebuffer(frame);
  return read(frame);
}
