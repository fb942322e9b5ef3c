// The character assignment of the font image. Codes 128..244 are the accented
// letters of the international picker: its groups come in pairs, the capital
// at the code of the capitals group and the small letter at the matching code
// of the small-letter group. The codes that the message texts use are fixed
// (a acute 0x81, c cedilla 0x96, e acute 0xA4 and so on); the rest of each
// group is filled with that base letter's other accented forms. 245..255 are
// the label symbols of the Func layer and the symbol picker.
#include "host/files/device_charset.h"

#include <array>

#include "host/files/device_text.h"

namespace {
std::vector<CharEntry> build_charset() {
  std::vector<CharEntry> set;
  for (char32_t c = 32; c < 127; ++c) set.push_back({uint16_t(c), c});
  const CharEntry extra[] = {
      // A: capitals 128..144 even, small letters 129..145 odd
      {128, U'Á'},
      {129, U'á'},  // 0x81 a acute
      {130, U'À'},
      {131, U'à'},  // 0x83 a grave
      {132, U'Å'},
      {133, U'å'},
      {134, U'Ä'},
      {135, U'ä'},  // 0x87 a diaeresis
      {136, U'Ã'},
      {137, U'ã'},  // 0x89 a tilde
      {138, U'Ą'},
      {139, U'ą'},
      {140, U'Â'},
      {141, U'â'},  // 0x8C A circumflex, 0x8D a circumflex
      {142, U'Ă'},
      {143, U'ă'},
      {144, U'Ā'},
      {145, U'ā'},
      // O group's last pair, and the sharp s that both S groups share
      {146, U'Ø'},
      {147, U'ø'},
      {148, U'ß'},
      // C
      {149, U'Ç'},
      {150, U'ç'},  // 0x96 c cedilla
      {151, U'Č'},
      {152, U'č'},
      {153, U'Ć'},
      {154, U'ć'},
      // D
      {155, U'Ď'},
      {156, U'ď'},
      {157, U'Đ'},
      {158, U'đ'},
      // E
      {159, U'È'},
      {160, U'è'},  // 0xA0 e grave
      {161, U'Ë'},
      {162, U'ë'},  // 0xA2: the English texts spell "Portugu\xA2s" with it
      {163, U'É'},
      {164, U'é'},  // 0xA4 e acute
      {165, U'Ě'},
      {166, U'ě'},
      {167, U'Ê'},
      {168, U'ê'},  // 0xA8 e circumflex
      {169, U'Ę'},
      {170, U'ę'},
      {171, U'Ē'},
      {172, U'ē'},
      // I
      {173, U'Ì'},
      {174, U'ì'},
      {175, U'Í'},
      {176, U'í'},  // 0xB0 i acute
      {177, U'Î'},
      {178, U'î'},
      {179, U'Ï'},
      {180, U'ï'},
      // L
      {181, U'Ł'},
      {182, U'ł'},
      {183, U'Ľ'},
      {184, U'ľ'},
      {185, U'Ĺ'},
      {186, U'ĺ'},
      // N
      {187, U'Ñ'},
      {188, U'ñ'},  // 0xBC n tilde
      {189, U'Ň'},
      {190, U'ň'},
      {191, U'Ń'},
      {192, U'ń'},
      // O (146/147 above)
      {193, U'Ò'},
      {194, U'ò'},
      {195, U'Ó'},
      {196, U'ó'},  // 0xC4 o acute
      {197, U'Ô'},
      {198, U'ô'},
      {199, U'Õ'},
      {200, U'õ'},
      {201, U'Ö'},
      {202, U'ö'},  // 0xC9 O diaeresis, 0xCA o diaeresis
      {203, U'Ő'},
      {204, U'ő'},
      {205, U'Ō'},
      {206, U'ō'},
      // R
      {207, U'Ř'},
      {208, U'ř'},
      {209, U'Ŕ'},
      {210, U'ŕ'},
      // S (148 above)
      {211, U'Š'},
      {212, U'š'},
      {213, U'Ś'},
      {214, U'ś'},
      {215, U'Ş'},
      {216, U'ş'},
      // T
      {217, U'Ť'},
      {218, U'ť'},
      {219, U'Ţ'},
      {220, U'ţ'},
      {221, U'Ț'},
      {222, U'ț'},
      // U
      {223, U'Ù'},
      {224, U'ù'},
      {225, U'Ú'},
      {226, U'ú'},  // 0xE2 u acute
      {227, U'Ü'},
      {228, U'ü'},  // 0xE4 u diaeresis
      {229, U'Û'},
      {230, U'û'},
      {231, U'Ů'},
      {232, U'ů'},
      {233, U'Ű'},
      {234, U'ű'},
      // Y
      {235, U'Ý'},
      {236, U'ý'},
      {237, U'Ÿ'},
      {238, U'ÿ'},
      // Z
      {239, U'Ž'},
      {240, U'ž'},
      {241, U'Ź'},
      {242, U'ź'},
      {243, U'Ż'},
      {244, U'ż'},
      // Func layer: R, P, T
      {245, U'®'},
      {246, U'º'},  // 0xF6 masculine ordinal ("N\xF6")
      {248, U'™'},
      // Symbol picker, row 10 and 11: 247, 249, 251, 250; row 8: 253, 252
      {247, U'°'},
      {249, U'±'},
      {250, U'Ω'},
      {251, U'µ'},
      {252, U'¡'},
      {253, U'¿'},  // 0xFD inverted question mark
      {254, U'©'},
      {255, U'€'},
  };
  set.insert(set.end(), std::begin(extra), std::end(extra));
  return set;
}

// Extended glyphs 1..40, five to a row of the symbol picker. 542 is the
// printing symbol on the LCD; 523, 549 and 550 appear on the diagnostic
// labels. The Func layer inserts 544 (Func+0), 546 (7), 547 (W), 548 (X),
// 549 (U), 550 (V), 551 (4) and 552 (5).
std::vector<SymbolEntry> build_symbols() {
  return {
      {513, "earth ground", 0},
      {514, "protective earth", 0},
      {515, "chassis ground", 0},
      {516, "signal ground", 0},
      {517, "double insulation", 0},
      {518, "alternating current", 0},
      {519, "direct current", 0},
      {520, "AC or DC", 0},
      {521, "high voltage", 0},
      {522, "warning", 0},
      {523, "arrow right", 0},
      {524, "arrow left", 0},
      {525, "arrow up", 0},
      {526, "arrow down", 0},
      {527, "arrow left and right", 0},
      {528, "telephone", U'☎'},
      {529, "network", 0},
      {530, "fibre optic", 0},
      {531, "antenna", 0},
      {532, "monitor", 0},
      {533, "battery", 0},
      {534, "fuse", 0},
      {535, "resistor", 0},
      {536, "capacitor", 0},
      {537, "inductor", 0},
      {538, "diode", 0},
      {539, "LED", 0},
      {540, "switch", 0},
      {541, "transformer", 0},
      {542, "printer", 0},
      {543, "motor", 0},
      {544, "power", 0},
      {545, "lamp", 0},
      {546, "socket", 0},
      {547, "lightning bolt", 0},
      {548, "cross", 0},
      {549, "USB", 0},
      {550, "check mark", 0},
      {551, "light bulb", 0},
      {552, "loudspeaker", 0},
  };
}
}  // namespace

const std::vector<CharEntry>& charset() {
  static const std::vector<CharEntry> set = build_charset();
  return set;
}

const std::vector<SymbolEntry>& symbol_set() {
  static const std::vector<SymbolEntry> set = build_symbols();
  return set;
}

std::string device_code_shown(uint16_t code) {
  static const std::array<std::string, 256> kShown = [] {
    std::array<std::string, 256> shown;
    for (const CharEntry& e : charset()) shown[e.code] = device_codes_to_utf8({uint16_t(e.shows)});
    return shown;
  }();
  if (code < kShown.size() && !kShown[code].empty()) return kShown[code];
  for (const SymbolEntry& s : symbol_set())
    if (s.code == code) return "\u27e8" + std::string(s.name) + "\u27e9";
  return "\ufffd";
}

std::string device_codes_shown(const std::vector<uint16_t>& codes) {
  std::string out;
  for (uint16_t c : codes) out += device_code_shown(c);
  return out;
}
