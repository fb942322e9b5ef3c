// The device window's fixed layout at scale 1: where each key's hot area, the
// LCD picture, the indicator lamps and the Cut switch sit, with what each key
// says and which PC key does the same.
#pragma once
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

namespace layout {

// Wide enough for the Cut switch and the pocket it sits in at the right edge.
constexpr int kWindowWidth = 384;
constexpr int kWindowHeight = 632;
constexpr int kWindowLeft = 52;
constexpr int kWindowTop = 48;

// The LCD mirror picture is drawn at this corner, 264 x 128.
constexpr QPoint kLcdOrigin{48, 64};
const QRect kCutSwitch{336, 56, 41, 113};

enum class KeyStyle { Letter, Digit, Command, Print, Delete, Func, Space, Arrow, Enter };

struct Key {
  uint8_t tag;      // the device key code stored in the key register
  int z;            // stacking order of the hot areas: higher lies on top
  QRect area;       // the hot area (mouse-down stores the tag)
  QString legend;   // what is printed on the key
  QString shifted;  // the Func meaning, printed small on the key (may be empty)
  QString pc_key;   // the PC keyboard equivalent, shown as a tooltip
  KeyStyle style;
};

constexpr uint8_t kFuncTag = 6;

// All 48 key areas, the Func key included.
const std::vector<Key>& keys();
// The key whose hot area holds pos, or nullptr.
const Key* key_at(const QPoint& pos);
const Key* key_with_tag(uint8_t tag);

// Indicator lamp places over the lower right corner of the LCD picture.
enum class Lamp { Pt, Bold, Caps, Func, Battery, BatteryBar1, BatteryBar2 };
QRect lamp_area(Lamp lamp);

}  // namespace layout
