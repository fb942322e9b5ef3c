#include "host/files/tape_pdf.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/files/tape_pbm.h"

namespace {
constexpr double kTapeMm = TAPE_DOTS / TAPE_DOTS_PER_MM;  // 16 mm: the head's 128 dots
constexpr double kStripMm = TAPE_PDF_CAPTION_MM + kTapeMm + TAPE_PDF_RULER_MM;
constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kCaptionFontMm = 2.6, kRulerFontMm = 2.2;
// Helvetica's advance widths (thousandths of an em) of ' ' .. '~': captions
// and ruler numbers are measured without a font file.
constexpr uint16_t kHelvetica[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778,
    722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278,
    278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};

std::string num(double v) {
  char s[32];
  std::snprintf(s, sizeof s, "%.3f", v);
  std::string t = s;
  t.erase(t.find_last_not_of('0') + 1);
  if (t.back() == '.') t.pop_back();
  return t == "-0" ? "0" : t;
}

// UTF-8 to a PDF string in WinAnsi (the standard fonts' encoding): the
// middle dot and the ellipsis have their own codes, other characters
// outside Latin-1 show as '?'.
std::string pdf_text(const std::string& utf8) {
  std::string out = "(";
  for (size_t i = 0; i < utf8.size();) {
    const auto c = uint8_t(utf8[i]);
    uint32_t cp = c;
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
    if (len > 1 && i + len <= utf8.size()) {
      cp = c & (0x7F >> len);
      for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (uint8_t(utf8[i + k]) & 0x3F);
    }
    i += len;
    const int code = cp == 0x2026 ? 0x85 : cp < 0x100 ? int(cp) : '?';
    if (code == '(' || code == ')' || code == '\\') out += '\\';
    out += char(code);
  }
  return out + ")";
}

// The width in millimetres of UTF-8 text in Helvetica at size millimetres.
double text_width(const std::string& utf8, double size) {
  const std::string codes = pdf_text(utf8);
  double width = 0;
  for (size_t i = 1; i + 1 < codes.size(); ++i) {
    if (codes[i] == '\\') ++i;  // the escape itself has no width
    const auto c = uint8_t(codes[i]);
    width += c >= 32 && c < 127 ? kHelvetica[c - 32] : c == 0x85 ? 1000 : c == 0xB7 ? 278 : 556;
  }
  return width / 1000.0 * size;
}

std::string deflate(const std::string& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                uLong(data.size()), 6) != Z_OK)
    return "";
  out.resize(size);
  return out;
}

// Objects appended in order; their offsets make the cross-reference table.
class PdfFile {
 public:
  int reserve() {
    offsets_.push_back(0);
    return int(offsets_.size());
  }
  void object(int number, const std::string& dict) {
    offsets_[size_t(number) - 1] = out_.size();
    out_ += std::to_string(number) + " 0 obj\n" + dict + "\nendobj\n";
  }
  void stream(int number, std::string dict, const std::string& data) {
    const std::string packed = deflate(data);
    dict.insert(dict.rfind(" >>"), " /Filter /FlateDecode /Length " + std::to_string(packed.size()));
    offsets_[size_t(number) - 1] = out_.size();
    out_ += std::to_string(number) + " 0 obj\n" + dict + "\nstream\n" + packed + "\nendstream\nendobj\n";
  }
  std::string finish(int root) {
    const size_t xref = out_.size();
    char line[32];
    out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets_) {
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
      out_ += line;
    }
    out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(root) +
            " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return std::move(out_);
  }

 private:
  std::string out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets_;
};

// Page content in millimetres from the page's top left; PDF's y runs up.
struct Painter {
  std::string ops;
  double y(double from_top) const { return TAPE_PDF_PAGE_HEIGHT_MM - from_top; }
  void line(double x0, double top0, double x1, double top1) {
    ops += num(x0) + " " + num(y(top0)) + " m " + num(x1) + " " + num(y(top1)) + " l S\n";
  }
  void text(double x, double baseline, double size, const std::string& utf8) {
    ops += "BT /F1 " + num(size) + " Tf " + num(x) + " " + num(y(baseline)) + " Td " + pdf_text(utf8) + " Tj ET\n";
  }
};

void paint_ruler(Painter& p, double x0, double top, double first_mm, double length_mm) {
  p.ops += "0 G 0.1 w\n";
  p.line(x0, top, x0 + length_mm, top);
  double free_from = -1e300;  // a number is left out where the one before still stands
  for (long mm = long(std::ceil(first_mm)); mm <= long(std::floor(first_mm + length_mm)); ++mm) {
    const double x = x0 + (double(mm) - first_mm);
    const double tick = mm % 10 == 0 ? 3.5 : mm % 5 == 0 ? 2.5 : 1.5;
    p.line(x, top, x, top + tick);
    if (mm % 10 != 0 || x + 0.4 < free_from) continue;
    const std::string number = std::to_string(mm);
    p.text(x + 0.4, top + 1.5 + kRulerFontMm * 0.8, kRulerFontMm, number);
    free_from = x + 0.4 + text_width(number, kRulerFontMm) + 1.0;
  }
}

// Columns [first, first + count) of the labels laid end to end, as one row
// of a page; the dots are the image named `image`.
void paint_strip(Painter& p, const std::vector<TapeLabel>& labels, size_t first, size_t count, double left,
                 double top, const std::string& image) {
  const double dot = 1.0 / TAPE_DOTS_PER_MM;
  const double tape_top = top + TAPE_PDF_CAPTION_MM, tape_bottom = tape_top + kTapeMm;
  const double width = double(count) * dot;
  p.ops += "q 1 g " + num(left) + " " + num(p.y(tape_bottom)) + " " + num(width) + " " + num(kTapeMm) + " re f\n";
  p.ops += num(width) + " 0 0 " + num(kTapeMm) + " " + num(left) + " " + num(p.y(tape_bottom)) + " cm " + image + " Do Q\n";
  p.ops += "0.588 G 0.1 w " + num(left - 0.05) + " " + num(p.y(tape_bottom + 0.05)) + " " + num(width + 0.1) + " " +
           num(kTapeMm + 0.1) + " re S\n";

  size_t total = 0;
  for (const TapeLabel& l : labels) total += l.columns.size();
  size_t at = 0;
  for (const TapeLabel& label : labels) {
    const size_t end = at + label.columns.size();
    if (end > first && at < first + count) {
      const double x0 = left + double(std::max(at, first) - first) * dot;
      const double x1 = left + double(std::min(end, first + count) - first) * dot;
      // The last label's caption may run on past its end: nothing follows it.
      const double right = end >= std::min(total, first + count) ? TAPE_PDF_PAGE_WIDTH_MM - TAPE_PDF_MARGIN_MM
                                                                 : x1 - 0.5;
      // The whole facts where they fit; else fewer facts, each whole.
      const std::string lead = at >= first ? "" : "\u2026 ";
      char length[32];
      std::snprintf(length, sizeof length, "%.1f mm", label.length_mm());
      const std::string number = label.number ? std::to_string(label.number) : "";
      const std::string shorter[] = {tape_label_caption(label),
                                     (label.number ? "Label " + number + " \u00b7 " : "") + length,
                                     number.empty() ? length : number + " \u00b7 " + length, number};
      std::string caption = lead + shorter[3];
      for (const std::string& t : shorter)
        if (text_width(lead + t, kCaptionFontMm) <= right - x0 - 1.0) {
          caption = lead + t;
          break;
        }
      p.ops += "q " + num(x0) + " " + num(p.y(top + TAPE_PDF_CAPTION_MM)) + " " + num(std::max(0.0, right - x0)) +
               " " + num(TAPE_PDF_CAPTION_MM) + " re W n 0.157 g\n";
      p.text(x0 + 0.5, top + TAPE_PDF_CAPTION_MM / 2 + kCaptionFontMm * 0.36, kCaptionFontMm,
             caption);
      p.ops += "Q\n";
    }
    // The cut after the label, through the caption and the tape.
    if (end >= first && end <= first + count && end < total) {
      const double x = left + double(end - first) * dot;
      p.ops += "q 0.784 0 0 RG 0.25 w [1 0.7] 0 d\n";
      p.line(x, top, x, tape_bottom + 1.0);
      p.ops += "Q\n";
    }
    at = end;
  }
  paint_ruler(p, left, tape_bottom + 0.5, double(first) / TAPE_DOTS_PER_MM, width);
}
}  // namespace

std::string tape_label_caption(const TapeLabel& l) {
  char mm[32];
  std::snprintf(mm, sizeof mm, "%.1f", l.length_mm());
  std::string text = l.number ? "Label " + std::to_string(l.number) : "Tape";
  text += " \u00b7 " + tape_label_type_name(l.label_type) + " \u00b7 " + mm + " mm \u00b7 " + std::to_string(l.width) +
          " dots";
  if (l.number) text += " \u00b7 copy " + std::to_string(l.copy);
  if (!l.serial.empty()) text += " \u00b7 serial " + l.serial;
  return text;
}

std::string tape_pdf(const std::vector<TapeLabel>& labels) {
  std::vector<TapeColumn> columns;
  for (const TapeLabel& l : labels) columns.insert(columns.end(), l.columns.begin(), l.columns.end());
  const size_t total = columns.size();
  if (total == 0) return "";
  const auto row_columns = size_t((TAPE_PDF_PAGE_WIDTH_MM - 2 * TAPE_PDF_MARGIN_MM) * TAPE_DOTS_PER_MM);
  const auto rows_per_page = size_t((TAPE_PDF_PAGE_HEIGHT_MM - 2 * TAPE_PDF_MARGIN_MM + TAPE_PDF_ROW_GAP_MM) /
                                    (kStripMm + TAPE_PDF_ROW_GAP_MM));
  const size_t rows = (total + row_columns - 1) / row_columns;
  const size_t pages = (rows + rows_per_page - 1) / rows_per_page;

  PdfFile pdf;
  const int catalog = pdf.reserve(), tree = pdf.reserve(), font = pdf.reserve();
  std::vector<int> page_objects;
  std::string kids;
  for (size_t page = 0; page < pages; ++page) {
    page_objects.push_back(pdf.reserve());
    kids += std::to_string(page_objects.back()) + " 0 R ";
  }
  pdf.object(catalog, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
  pdf.object(tree, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  pdf.object(font, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  const std::string page_size = "[0 0 " + num(TAPE_PDF_PAGE_WIDTH_MM * kPointsPerMm) + " " +
                                num(TAPE_PDF_PAGE_HEIGHT_MM * kPointsPerMm) + "]";
  for (size_t page = 0; page < pages; ++page) {
    Painter p;
    p.ops = num(kPointsPerMm) + " 0 0 " + num(kPointsPerMm) + " 0 0 cm\n";  // millimetres from here on
    std::string images;
    for (size_t row = 0; row < rows_per_page; ++row) {
      const size_t first = (page * rows_per_page + row) * row_columns;
      if (first >= total) break;
      const size_t count = std::min(row_columns, total - first);
      // Each row's dots are an image of their own, drawn under a name of its own.
      const int image = pdf.reserve();
      const std::vector<TapeColumn> part(columns.begin() + long(first), columns.begin() + long(first + count));
      const std::vector<uint8_t> bits = tape_rows_of(part);
      pdf.stream(image,
                 "<< /Type /XObject /Subtype /Image /Width " + std::to_string(count) + " /Height " +
                     std::to_string(TAPE_DOTS) + " /ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0] >>",
                 std::string(bits.begin(), bits.end()));
      const std::string name = "/Im" + std::to_string(row);
      images += name + " " + std::to_string(image) + " 0 R ";
      paint_strip(p, labels, first, count, TAPE_PDF_MARGIN_MM,
                  TAPE_PDF_MARGIN_MM + double(row) * (kStripMm + TAPE_PDF_ROW_GAP_MM), name);
    }
    const int content = pdf.reserve();
    pdf.stream(content, "<< >>", p.ops);
    pdf.object(page_objects[page], "<< /Type /Page /Parent " + std::to_string(tree) + " 0 R /MediaBox " + page_size +
                                       " /Resources << /Font << /F1 " + std::to_string(font) +
                                       " 0 R >> /XObject << " + images + ">> >> /Contents " +
                                       std::to_string(content) + " 0 R >>");
  }
  return pdf.finish(catalog);
}
