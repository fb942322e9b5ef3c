#include "host/qt/key_map.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include "host/seam/keys.h"

namespace key_map {
namespace {
constexpr uint16_t kNone = 0xFF;
constexpr uint16_t kNumpad0 = 96;  // keypad digits, which the table leaves out
constexpr uint16_t kF1 = 112;

// With Shift (the Func key) held, Qt reports the shifted symbol of a digit
// key; the device wants the digit. X11 gives the key's position directly.
int digit_from_scan_code(const QKeyEvent& event) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return -1;
  quint32 code = event.nativeScanCode();  // X keycodes: 10..18 are 1..9, 19 is 0
  if (code >= 10 && code <= 18) return int(code - 9);
  if (code == 19) return 0;
  return -1;
}

int digit_from_us_symbol(int key) {
  switch (key) {
    case Qt::Key_Exclam:
      return 1;
    case Qt::Key_At:
      return 2;
    case Qt::Key_NumberSign:
      return 3;
    case Qt::Key_Dollar:
      return 4;
    case Qt::Key_Percent:
      return 5;
    case Qt::Key_AsciiCircum:
      return 6;
    case Qt::Key_Ampersand:
      return 7;
    case Qt::Key_Asterisk:
      return 8;
    case Qt::Key_ParenLeft:
      return 9;
    case Qt::Key_ParenRight:
      return 0;
    default:
      return -1;
  }
}
}  // namespace

uint16_t virtual_key(const QKeyEvent& event) {
  const int key = event.key();
  const bool keypad = event.modifiers() & Qt::KeypadModifier;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? uint16_t(kNumpad0 + (key - Qt::Key_0)) : uint16_t(key);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint16_t(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return uint16_t(kF1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return VK_MENU_ALT;
    case Qt::Key_Pause:
      return 19;
    case Qt::Key_CapsLock:
      return VK_CAPITAL;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE_BAR;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return VK_LEFT_ARROW;
    case Qt::Key_Up:
      return VK_UP_ARROW;
    case Qt::Key_Right:
      return VK_RIGHT_ARROW;
    case Qt::Key_Down:
      return VK_DOWN_ARROW;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return VK_DELETE_KEY;
    case Qt::Key_Meta:
      return 91;
    case Qt::Key_Menu:
      return 93;
    case Qt::Key_NumLock:
      return 144;
    case Qt::Key_ScrollLock:
      return 145;
    default:
      break;
  }
  if (!keypad) {
    int digit = digit_from_scan_code(event);
    if (digit < 0) digit = digit_from_us_symbol(key);
    if (digit >= 0) return uint16_t('0' + digit);
  }
  return kNone;
}

}  // namespace key_map
