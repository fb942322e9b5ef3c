#include "host/session/script.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "firmware/kernel/key_codes.h"
#include "host/seam/keys.h"

namespace {
const std::map<std::string, uint8_t>& named_keys() {
  static const std::map<std::string, uint8_t> keys = {
      {"MENU", KEY_MENU},   {"LABEL", KEY_LABEL}, {"FONT", KEY_FONT}, {"DELETE", KEY_DELETE},
      {"ENTER", KEY_ENTER}, {"PRINT", KEY_PRINT}, {"UP", KEY_UP},     {"DOWN", KEY_DOWN},
      {"RIGHT", KEY_RIGHT}, {"LEFT", KEY_LEFT},   {"CAPS", KEY_CAPS}, {"SPACE", KEY_SPACE},
  };
  return keys;
}

bool parse_uint(const std::string& s, uint32_t max, uint32_t& out) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  out = uint32_t(std::strtoul(s.c_str(), nullptr, 10));
  return out <= max;
}

bool parse_token(const std::string& word, ScriptToken& t, std::string& why) {
  t.source = word;
  if (auto it = named_keys().find(word); it != named_keys().end()) {
    t.kind = ScriptToken::Key;
    t.value = it->second;
    return true;
  }
  if (word.size() == 1 && word[0] >= '0' && word[0] <= '9') {
    t.kind = ScriptToken::Key;
    t.value = key_digit(word[0] - '0');
    return true;
  }
  if (word.size() == 1 && word[0] >= 'A' && word[0] <= 'Z') {
    t.kind = ScriptToken::Key;
    t.value = key_letter(word[0]);
    return true;
  }
  if (word == "FUNC") return t.kind = ScriptToken::Func, true;
  if (word == "SHIFT_DOWN") return t.kind = ScriptToken::ShiftDown, true;
  if (word == "SHIFT_UP") return t.kind = ScriptToken::ShiftUp, true;
  if (word == "CUT") return t.kind = ScriptToken::Cut, true;
  if (word == "ESC") return t.kind = ScriptToken::Esc, true;
  if (word == "FOCUS_OUT") return t.kind = ScriptToken::FocusOut, true;
  if (word == "TIMING:EXACT") return t.kind = ScriptToken::Exact, true;
  if (word.rfind("ALT+", 0) == 0) {
    std::string k = word.substr(4);
    t.kind = ScriptToken::Alt;
    if (k == "DELETE") return t.value = VK_DELETE_KEY, true;
    if (k.size() == 1 && ((k[0] >= 'A' && k[0] <= 'Z') || k[0] == '1')) return t.value = uint8_t(k[0]), true;
    why = "ALT+ takes a letter A..Z, 1 or DELETE";
    return false;
  }
  size_t colon = word.find(':');
  if (colon == std::string::npos) return false;
  std::string head = word.substr(0, colon), arg = word.substr(colon + 1);
  if (head == "TEXT") {
    if (arg.empty() ||
        arg.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos) {
      why = "TEXT: takes letters, digits and _ for a space";
      return false;
    }
    t.kind = ScriptToken::Text;
    t.text = arg;
    return true;
  }
  if (head == "TICKS") {
    t.kind = ScriptToken::Ticks;
    if (parse_uint(arg, 10'000'000, t.value)) return true;
    why = "TICKS: takes a whole number up to 10000000";
    return false;
  }
  if (head == "CART") {
    t.kind = ScriptToken::Cart;
    if (parse_uint(arg, 11, t.value)) return true;
    why = "CART: takes a material id 0..11";
    return false;
  }
  if (head == "BATT") {
    t.kind = ScriptToken::Batt;
    char* end = nullptr;
    t.volts = std::strtof(arg.c_str(), &end);
    if (!arg.empty() && end && *end == '\0' && t.volts >= 6.0f && t.volts <= 9.0f) return true;
    why = "BATT: takes volts from 6 to 9";
    return false;
  }
  if (head == "SNAP") {
    t.kind = ScriptToken::Snap;
    t.text = arg;
    if (!arg.empty()) return true;
    why = "SNAP: needs a file name";
    return false;
  }
  return false;
}
// "caption: TEXT" (blanks around both trimmed): true with TEXT.
bool comment_caption(const std::string& comment, std::string& text) {
  const char* blanks = " \t\r";
  const size_t start = comment.find_first_not_of(blanks);
  const std::string tag = "caption:";
  if (start == std::string::npos || comment.compare(start, tag.size(), tag) != 0) return false;
  text = comment.substr(start + tag.size());
  text.erase(0, text.find_first_not_of(blanks) == std::string::npos ? text.size() : text.find_first_not_of(blanks));
  text.erase(text.find_last_not_of(blanks) + 1);
  return true;
}
}  // namespace

std::string script_key_name(uint8_t code) {
  for (const auto& [name, key] : named_keys())
    if (key == code) return name;
  for (int i = 0; i < 10; ++i)
    if (key_digit(i) == code) return std::string(1, char('0' + i));
  for (char c = 'A'; c <= 'Z'; ++c)
    if (key_letter(c) == code) return std::string(1, c);
  return "";
}

bool script_parse(const std::string& script, std::vector<ScriptToken>& tokens, std::string& error) {
  std::istringstream lines(script);
  std::string line;
  int line_no = 0;
  while (std::getline(lines, line)) {
    ++line_no;
    std::string caption;
    bool has_caption = false;
    if (size_t hash = line.find('#'); hash != std::string::npos) {
      has_caption = comment_caption(line.substr(hash + 1), caption);
      line.erase(hash);
    }
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
      ScriptToken t{};
      std::string why;
      if (!parse_token(word, t, why)) {
        error = "unknown token '" + word + "'";
        if (!why.empty()) error = "bad token '" + word + "': " + why;
        if (line_no > 1) error += " (line " + std::to_string(line_no) + ")";
        return false;
      }
      tokens.push_back(t);
    }
    if (has_caption) {
      ScriptToken t{};
      t.kind = ScriptToken::Caption;
      t.source = "# caption:";
      t.text = caption;
      tokens.push_back(t);
    }
  }
  return true;
}
