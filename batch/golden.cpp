#include "batch/golden.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/files/input_file.h"
#include "host/files/png.h"

namespace fs = std::filesystem;

namespace golden {

bool read_file(const std::string& path, std::string& out) {
  std::string error;
  return input_file_read(path, out, error);
}

namespace {

// Skips blanks and # comments of a PBM header.
void skip_space(const std::string& s, size_t& at) {
  while (at < s.size()) {
    if (s[at] == '#') {
      while (at < s.size() && s[at] != '\n') ++at;
    } else if (std::isspace(uint8_t(s[at]))) {
      ++at;
    } else {
      break;
    }
  }
}

bool read_number(const std::string& s, size_t& at, int& out) {
  skip_space(s, at);
  if (at >= s.size() || !std::isdigit(uint8_t(s[at]))) return false;
  long v = 0;
  while (at < s.size() && std::isdigit(uint8_t(s[at]))) {
    v = v * 10 + (s[at++] - '0');
    if (v > 1 << 24) return false;
  }
  out = int(v);
  return true;
}

bool read_pbm(const std::string& data, Picture& out) {
  if (data.size() < 2 || data[0] != 'P' || (data[1] != '1' && data[1] != '4')) return false;
  size_t at = 2;
  if (!read_number(data, at, out.width) || !read_number(data, at, out.height)) return false;
  // Every pixel takes at least one bit of the file: a header that promises
  // more is refused before anything is allocated.
  if (uint64_t(out.width) * uint64_t(out.height) > uint64_t(data.size()) * 8) return false;
  out.rgb.assign(size_t(out.width) * out.height * 3, 255);
  auto set = [&](int x, int y, bool black) {
    if (!black) return;
    uint8_t* p = &out.rgb[(size_t(y) * out.width + x) * 3];
    p[0] = p[1] = p[2] = 0;
  };
  if (data[1] == '1') {
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        skip_space(data, at);
        if (at >= data.size() || (data[at] != '0' && data[at] != '1')) return false;
        set(x, y, data[at++] == '1');
      }
    return true;
  }
  ++at;  // the single blank after the header
  const size_t row_bytes = (size_t(out.width) + 7) / 8;
  if (data.size() < at + row_bytes * out.height) return false;
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) set(x, y, uint8_t(data[at + y * row_bytes + x / 8]) & (0x80 >> (x % 8)));
  return true;
}

std::string extension(const std::string& path) { return fs::path(path).extension().string(); }

std::string size_text(const Picture& p) { return std::to_string(p.width) + "x" + std::to_string(p.height); }

// What differs between two pictures, in words.
std::string picture_difference(const Picture& a, const Picture& e, size_t differing, int first_x, int first_y) {
  std::string why;
  if (a.width != e.width || a.height != e.height) {
    why = "the picture is " + size_text(a) + ", the golden " + size_text(e);
    if (a.width == 0 || a.height == 0)
      why += " (the output is empty: nothing was printed or shown)";
    else
      why += "; where both have pixels, " + std::to_string(differing) + " differ";
  } else {
    why = std::to_string(differing) + " pixels differ, the first at " + std::to_string(first_x) + "," +
          std::to_string(first_y);
  }
  return why;
}

using Json = nlohmann::ordered_json;

std::string short_value(const Json& v) {
  std::string text = v.is_string() ? "'" + v.get_ref<const std::string&>() + "'" : v.dump();
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  return text;
}

// Field by field: "lines[1]: 'AB' != 'AC'" (the actual value first).
void json_differences(const Json& a, const Json& e, const std::string& at, std::vector<std::string>& out) {
  const auto where = [&](const std::string& key) { return at.empty() ? key : at + "." + key; };
  if (a.is_object() && e.is_object()) {
    for (const auto& [key, value] : e.items()) {
      if (!a.contains(key))
        out.push_back(where(key) + ": missing (golden " + short_value(value) + ")");
      else
        json_differences(a.at(key), value, where(key), out);
    }
    for (const auto& [key, value] : a.items())
      if (!e.contains(key)) out.push_back(where(key) + ": " + short_value(value) + " is not in the golden");
    return;
  }
  if (a.is_array() && e.is_array()) {
    for (size_t i = 0; i < std::max(a.size(), e.size()); ++i) {
      const std::string item = at + "[" + std::to_string(i) + "]";
      if (i >= a.size())
        out.push_back(item + ": missing (golden " + short_value(e[i]) + ")");
      else if (i >= e.size())
        out.push_back(item + ": " + short_value(a[i]) + " is not in the golden");
      else
        json_differences(a[i], e[i], item, out);
    }
    return;
  }
  if (a != e) out.push_back((at.empty() ? "the value" : at) + ": " + short_value(a) + " != " + short_value(e));
}

}  // namespace

std::string json_difference(const std::string& actual, const std::string& expected) {
  const Json a = Json::parse(actual, nullptr, false), e = Json::parse(expected, nullptr, false);
  if (a.is_discarded() || e.is_discarded()) return "";
  std::vector<std::string> found;
  json_differences(a, e, "", found);
  if (found.empty()) return actual == expected ? "" : "the same fields, written differently";
  constexpr size_t kShown = 4;
  std::string text;
  for (size_t i = 0; i < found.size() && i < kShown; ++i) text += (i ? "; " : "") + found[i];
  if (found.size() > kShown) text += "; and " + std::to_string(found.size() - kShown) + " more";
  return text;
}

std::string diff_picture_name(const std::string& golden_name) {
  const fs::path p(golden_name);
  // tape.png and tape.pbm side by side each get their own.
  const std::string ext = p.extension().string();
  return p.stem().string() + (ext == ".png" ? "" : ext) + ".diff.png";
}

namespace {
// The diff picture: pale golden, differing pixels red; as large as the larger.
void write_diff(const Picture& a, const Picture& e, const std::string& path) {
  const int w = std::max(a.width, e.width), h = std::max(a.height, e.height);
  std::vector<uint8_t> rgb(size_t(w) * h * 3, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool in_a = x < a.width && y < a.height, in_e = x < e.width && y < e.height;
      const uint8_t* pa = in_a ? &a.rgb[(size_t(y) * a.width + x) * 3] : nullptr;
      const uint8_t* pe = in_e ? &e.rgb[(size_t(y) * e.width + x) * 3] : nullptr;
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      if (!pa || !pe || pa[0] != pe[0] || pa[1] != pe[1] || pa[2] != pe[2]) {
        p[0] = 255, p[1] = 0, p[2] = 0;
      } else {
        for (int k = 0; k < 3; ++k) p[k] = uint8_t(192 + pe[k] / 4);
      }
    }
  png_write_rgb(path, w, h, rgb.data());
}
}  // namespace

bool read_picture(const std::string& path, Picture& out) {
  if (extension(path) == ".png") {
    std::string rgb;
    if (!png_read_rgb(path, out.width, out.height, rgb)) return false;
    out.rgb.assign(rgb.begin(), rgb.end());
    return true;
  }
  std::string data;
  return read_file(path, data) && read_pbm(data, out);
}

bool picture_from_pbm(const std::string& data, Picture& out) { return read_pbm(data, out); }

bool same_picture(const Picture& actual, const std::string& expected) {
  Picture e;
  return read_picture(expected, e) && e.width == actual.width && e.height == actual.height && e.rgb == actual.rgb;
}

bool same_bytes(const std::string& actual, const std::string& expected) {
  std::string e;
  return read_file(expected, e) && e == actual;
}

bool rebaseline_from_env() {
  const char* v = std::getenv("KLX80_REBASELINE");
  return v && *v && std::string(v) != "0";
}

Result compare(const std::string& actual, const std::string& expected, const std::string& work_dir, bool rebaseline) {
  Result r;
  const std::string ext = extension(expected);
  const std::string name = fs::path(expected).stem().string();
  if (rebaseline) {
    std::error_code ec;
    fs::create_directories(fs::path(expected).parent_path(), ec);
    fs::copy_file(actual, expected, fs::copy_options::overwrite_existing, ec);
    r.ok = !ec;
    r.message = ec ? "cannot rebaseline " + expected + ": " + ec.message() : "rebaselined " + expected;
    return r;
  }
  const std::string kept = (fs::path(work_dir) / (name + ".actual" + ext)).string();
  auto fail = [&](const std::string& why) {
    std::error_code ec;
    if (fs::absolute(actual, ec) != fs::absolute(kept, ec))
      fs::copy_file(actual, kept, fs::copy_options::overwrite_existing, ec);
    r.ok = false;
    r.message = expected + ": " + why + " (actual output kept as " + kept + ")";
    return r;
  };

  std::error_code ec;
  if (!fs::exists(expected, ec) && !fs::is_symlink(expected, ec))
    return fail("no golden yet; a rebaseline records this output as the golden");
  if (ext == ".pbm" || ext == ".png") {
    Picture a, e;
    if (!read_picture(expected, e)) return fail("cannot read the golden picture");
    if (!read_picture(actual, a)) return fail("cannot read the actual picture");
    size_t differing = 0;
    int first_x = -1, first_y = -1;
    const int w = std::min(a.width, e.width), h = std::min(a.height, e.height);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const size_t ia = (size_t(y) * a.width + x) * 3, ie = (size_t(y) * e.width + x) * 3;
        if (a.rgb[ia] != e.rgb[ie] || a.rgb[ia + 1] != e.rgb[ie + 1] || a.rgb[ia + 2] != e.rgb[ie + 2]) {
          if (!differing) first_x = x, first_y = y;
          ++differing;
        }
      }
    if (a.width == e.width && a.height == e.height && differing == 0) {
      r.ok = true;
      return r;
    }
    const std::string diff = (fs::path(work_dir) / diff_picture_name(fs::path(expected).filename().string())).string();
    write_diff(a, e, diff);
    return fail(picture_difference(a, e, differing, first_x, first_y) + "; diff picture " + diff);
  }

  std::string a, e;
  if (!read_file(expected, e)) return fail("cannot read the golden file");
  if (!read_file(actual, a)) return fail("cannot read the actual file");
  if (a == e) {
    r.ok = true;
    return r;
  }
  if (ext == ".json")
    if (std::string fields = json_difference(a, e); !fields.empty()) return fail(fields);
  size_t at = 0;
  while (at < a.size() && at < e.size() && a[at] == e[at]) ++at;
  return fail("differs from byte " + std::to_string(at));
}

}  // namespace golden
