// The PC keyboard as the device window sees it: Qt key events turned into the
// Windows virtual-key numbers that the key table is written in.
#pragma once
#include <cstdint>

class QKeyEvent;

namespace key_map {
// The virtual-key number for a key event; 0xFF for a key that has none.
uint16_t virtual_key(const QKeyEvent& event);
}  // namespace key_map
