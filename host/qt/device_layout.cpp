#include "host/qt/device_layout.h"

namespace layout {
namespace {

Key letter(uint8_t tag, int z, QRect area, const char* func = "") {
  QString l(QChar('A' + (tag - 27)));
  return {tag, z, area, l, QString::fromUtf8(func), l, KeyStyle::Letter};
}

Key digit(uint8_t tag, int z, QRect area, const char* func = "") {
  QString d(QChar('0' + (tag - 17)));
  return {tag, z, area, d, QString::fromUtf8(func), d + QStringLiteral(" (main row)"), KeyStyle::Digit};
}

std::vector<Key> make_keys() {
  return {
      {1, 46, {248, 256, 73, 33}, "Menu", "Setup", "F1", KeyStyle::Command},
      {3, 48, {48, 264, 73, 25}, "Label", "Feed", "F2", KeyStyle::Command},
      {4, 50, {48, 296, 73, 25}, "Font", "Caps", "F3", KeyStyle::Command},
      {8, 47, {248, 296, 81, 33}, "Delete", "Clear", "Delete or Backspace", KeyStyle::Delete},
      {9, 3, {160, 248, 49, 49}, "Enter", "", "Enter", KeyStyle::Enter},
      {10, 49, {248, 216, 81, 33}, "Print", "Copies", "F4", KeyStyle::Print},
      {11, 24, {152, 216, 65, 25}, "Up", "", "Up arrow", KeyStyle::Arrow},
      {12, 25, {152, 296, 65, 25}, "Down", "", "Down arrow", KeyStyle::Arrow},
      {13, 27, {216, 240, 25, 65}, "Right", "", "Right arrow", KeyStyle::Arrow},
      {14, 26, {128, 240, 25, 65}, "Left", "", "Left arrow", KeyStyle::Arrow},
      {16, 44, {136, 592, 97, 25}, "Space", "LCD", "Space", KeyStyle::Space},
      digit(17, 13, {272, 376, 49, 25}),
      digit(18, 4, {48, 336, 49, 33}, "Sym"),
      digit(19, 5, {104, 336, 49, 29}, "Bar"),
      digit(20, 6, {160, 336, 49, 29}, "-"),
      digit(21, 7, {216, 336, 49, 29}),
      digit(22, 8, {272, 336, 49, 33}),
      digit(23, 9, {56, 376, 41, 25}, "Intl"),
      digit(24, 10, {104, 376, 49, 25}),
      digit(25, 11, {160, 376, 49, 25}, "+"),
      digit(26, 12, {216, 376, 49, 25}, "="),
      letter(27, 14, {56, 408, 41, 29}, "!"),
      letter(28, 15, {112, 408, 41, 29}, "@"),
      letter(29, 16, {160, 408, 49, 29}, "#"),
      letter(30, 17, {216, 408, 49, 29}, "$"),
      letter(31, 18, {272, 408, 49, 29}, "%"),
      letter(32, 19, {56, 448, 41, 25}, "&"),
      letter(33, 20, {112, 448, 41, 25}, "*"),
      letter(34, 21, {160, 448, 49, 25}, "("),
      letter(35, 22, {216, 448, 49, 25}, ")"),
      letter(36, 23, {272, 448, 41, 25}, ":"),
      letter(37, 32, {56, 480, 41, 25}, ","),
      letter(38, 31, {112, 480, 41, 25}, "."),
      letter(39, 30, {160, 480, 49, 33}, "\""),
      letter(40, 29, {216, 480, 49, 33}, "/"),
      letter(41, 28, {272, 480, 41, 33}, "\\"),
      letter(42, 33, {56, 520, 41, 25}),
      letter(43, 34, {112, 520, 41, 25}, "_"),
      letter(44, 35, {160, 520, 49, 25}),
      letter(45, 36, {216, 512, 49, 33}, "'"),
      letter(46, 37, {272, 520, 41, 25}),
      letter(47, 38, {56, 548, 49, 29}),
      letter(48, 39, {112, 552, 41, 25}),
      letter(49, 40, {160, 552, 49, 25}),
      letter(50, 41, {216, 552, 41, 25}),
      letter(51, 42, {272, 552, 41, 25}),
      letter(52, 45, {240, 592, 73, 21}),
      {kFuncTag, 43, {56, 592, 73, 29}, "Func", "", "Shift (hold it, or press it alone to latch Func)", KeyStyle::Func},
  };
}

}  // namespace

const std::vector<Key>& keys() {
  static const std::vector<Key> table = make_keys();
  return table;
}

const Key* key_at(const QPoint& pos) {
  // Where two areas touch, the picture laid on the device picture later wins.
  const Key* hit = nullptr;
  for (const Key& k : keys())
    if (k.area.contains(pos) && (!hit || k.z > hit->z)) hit = &k;
  return hit;
}

const Key* key_with_tag(uint8_t tag) {
  for (const Key& k : keys())
    if (k.tag == tag) return &k;
  return nullptr;
}

QRect lamp_area(Lamp lamp) {
  switch (lamp) {
    case Lamp::Pt:
      return {152, 160, 33, 33};
    case Lamp::Bold:
      return {175, 160, 33, 41};
    case Lamp::Caps:
      return {199, 160, 33, 37};
    case Lamp::Func:
      return {222, 160, 36, 36};
    case Lamp::Battery:
      return {254, 160, 58, 36};
    case Lamp::BatteryBar1:
      return {266, 173, 17, 15};
    case Lamp::BatteryBar2:
      return {277, 173, 30, 12};
  }
  return {};
}

}  // namespace layout
