// The tape as a PDF: a well-formed file (every cross-reference entry points
// at its object), A4 landscape pages holding five rows each, and the dots of
// every row's image, inflated again, the labels' own columns in order.
#include "host/files/tape_pdf.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <regex>

#include "host/files/tape_pbm.h"

namespace {

TapeLabel label_of(size_t columns, uint64_t number, uint8_t seed) {
  TapeLabel l;
  l.number = number;
  l.copy = 1;
  for (size_t c = 0; c < columns; ++c) {
    TapeColumn col{};
    for (size_t b = 0; b < col.size(); ++b) col[b] = uint8_t((c * 31 + b * 7 + seed) * 13);
    l.columns.push_back(col);
  }
  l.width = columns;
  return l;
}

std::string inflate(const std::string& packed, size_t size) {
  std::string out(size, '\0');
  uLongf n = size;
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(packed.data()),
                 uLong(packed.size())) != Z_OK)
    return "";
  out.resize(n);
  return out;
}

TEST(TapePdf, PagesRowsAndDotsOfEveryLayout) {
  const size_t row = size_t((297 - 40) * 8);  // columns in a row between the margins
  struct Case {
    std::vector<size_t> labels;  // columns of each
    int pages;
  } cases[] = {
      {{185}, 1},
      {{row, 1}, 1},                 // a second row for one column
      {{row * 3, row * 2 + 5}, 2},   // a sixth row starts a page
      {{40, 60, 80}, 1},             // cuts between labels
  };
  for (const Case& c : cases) {
    std::vector<TapeLabel> labels;
    std::vector<TapeColumn> all;
    for (size_t i = 0; i < c.labels.size(); ++i) {
      labels.push_back(label_of(c.labels[i], i + 1, uint8_t(i)));
      all.insert(all.end(), labels.back().columns.begin(), labels.back().columns.end());
    }
    const std::string pdf = tape_pdf(labels);
    SCOPED_TRACE(c.labels.size());
    ASSERT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
    EXPECT_NE(pdf.find("/Count " + std::to_string(c.pages) + " "), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [0 0 841.89 595.276]"), std::string::npos);

    // startxref names the table; each entry the object of its number.
    const size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref\n") + 10));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    const size_t objects = std::stoul(pdf.substr(xref + 7));
    for (size_t n = 1; n < objects; ++n) {
      const size_t offset = std::stoul(pdf.substr(xref + 7 + std::to_string(objects).size() + 1 + 20 * n, 10));
      EXPECT_EQ(pdf.compare(offset, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0) << n;
    }

    // The rows' images, in order, are the tape's dots.
    const std::regex image(R"(/Width (\d+) /Height 128 [^>]*/Length (\d+) >>\nstream\n)");
    size_t first = 0;
    for (auto m = std::sregex_iterator(pdf.begin(), pdf.end(), image); m != std::sregex_iterator(); ++m) {
      const size_t width = std::stoul((*m)[1]), length = std::stoul((*m)[2]);
      const std::vector<TapeColumn> part(all.begin() + long(first), all.begin() + long(first + width));
      const std::vector<uint8_t> rows = tape_rows_of(part);
      EXPECT_EQ(inflate(pdf.substr(size_t(m->position() + m->length()), length), rows.size()),
                std::string(rows.begin(), rows.end()));
      first += width;
    }
    EXPECT_EQ(first, all.size());
  }
  EXPECT_EQ(tape_pdf({}), "");
}

TEST(TapePdf, CaptionSaysTheLabelsFacts) {
  TapeLabel l = label_of(340, 3, 0);
  l.copy = 2;
  l.serial = "0007";
  EXPECT_EQ(tape_label_caption(l), "Label 3 \u00b7 " + tape_label_type_name(0) +
                                       " \u00b7 42.5 mm \u00b7 340 dots \u00b7 copy 2 \u00b7 serial 0007");
  l.number = 0;
  l.serial.clear();
  EXPECT_EQ(tape_label_caption(l), "Tape \u00b7 " + tape_label_type_name(0) + " \u00b7 42.5 mm \u00b7 340 dots");
}

}  // namespace
