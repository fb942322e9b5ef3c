#include "service/request_check.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "host/session/script.h"

namespace {
// The offset of the first byte that is not part of well-formed UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included), or npos.
size_t first_bad_utf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = uint8_t(s[i]);
    size_t len = 0;
    uint32_t cp = 0, min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, cp = c & 0x07, min = 0x10000;
    } else {
      return i;
    }
    if (i + len > s.size()) return i;
    for (size_t k = 1; k < len; ++k) {
      if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return i;
      cp = (cp << 6) | (uint8_t(s[i + k]) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
    i += len;
  }
  return std::string::npos;
}

// A whole decimal number within [low, high].
bool whole_number(const std::string& text, unsigned long long low, unsigned long long high,
                  unsigned long long& value) {
  if (text.empty() || text.size() > 19 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
  value = std::strtoull(text.c_str(), nullptr, 10);
  return value >= low && value <= high;
}
}  // namespace

std::string request_check_script(const std::string& body) {
  if (size_t nul = body.find('\0'); nul != std::string::npos)
    return "the script holds a NUL byte at byte " + std::to_string(nul) + "; it must be text";
  if (size_t bad = first_bad_utf8(body); bad != std::string::npos)
    return "the script is not UTF-8 text (byte " + std::to_string(bad) + ")";
  std::vector<ScriptToken> tokens;
  std::string error;
  if (!script_parse(body, tokens, error)) return error;
  for (const ScriptToken& t : tokens)
    if (t.kind == ScriptToken::Snap)
      return "token '" + t.source + "' writes a file; the service writes none (ask for the LCD with ?what=lcd)";
  return "";
}

std::string request_check_query(const std::multimap<std::string, std::string>& params, RenderJob& job) {
  for (const auto& [name, value] : params) {
    if (params.count(name) > 1) return "parameter '" + name + "' is given more than once";
    unsigned long long n = 0;
    if (name == "cartridge") {
      if (!whole_number(value, 0, 11, n)) return "cartridge=" + value + ": takes a material id 0..11";
      job.cartridge = int(n);
    } else if (name == "language") {
      if (!whole_number(value, 0, 5, n))
        return "language=" + value + ": takes 0..5 (English, Spanish, French, Portuguese, German, Dutch)";
      job.language = int(n);
    } else if (name == "battery") {
      char* end = nullptr;
      const double volts = std::strtod(value.c_str(), &end);
      if (value.empty() || !end || *end || !(volts >= 6.0 && volts <= 9.0))
        return "battery=" + value + ": takes volts from 6 to 9";
      job.battery = volts;
    } else if (name == "label") {
      if (!whole_number(value, 1, 1000000, n)) return "label=" + value + ": takes a label number from 1";
      job.label = n;
    } else if (name == "what") {
      if (value != "tape" && value != "lcd") return "what=" + value + ": takes tape or lcd";
    } else {
      return "unknown parameter '" + name + "' (cartridge, language, battery, label, what)";
    }
  }
  return "";
}

std::optional<RenderOutput> request_output(const std::string& accept, bool lcd) {
  const RenderOutput png = lcd ? RenderOutput::LcdPng : RenderOutput::TapePng;
  // Each media range with its quality; the best one the service makes wins,
  // the first named on a tie.
  std::optional<RenderOutput> best;
  double best_q = 0;
  std::istringstream ranges(accept.empty() ? "*/*" : accept);
  std::string range;
  while (std::getline(ranges, range, ',')) {
    std::string type = range.substr(0, range.find(';'));
    type.erase(std::remove_if(type.begin(), type.end(), ::isspace), type.end());
    std::transform(type.begin(), type.end(), type.begin(), ::tolower);
    double q = 1;
    if (size_t at = range.find("q="); at != std::string::npos) q = std::strtod(range.c_str() + at + 2, nullptr);
    std::optional<RenderOutput> made;
    if (type == "image/png" || type == "image/*" || type == "*/*")
      made = png;
    else if (type == "application/pdf" && !lcd)
      made = RenderOutput::TapePdf;
    else if (type == "application/json")
      made = RenderOutput::StateJson;
    if (made && q > best_q) best = made, best_q = q;
  }
  return best;
}
