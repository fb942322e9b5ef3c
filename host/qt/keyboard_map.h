// The keyboard map: every device key with the PC key that does the same and
// its Func meaning, and the keys the simulator adds (F5 for the Cut switch,
// Alt commands, Esc), as one page the user can keep open beside the device.
#pragma once
#include <QString>

class QWidget;

namespace keyboard_map {
// The page as HTML (one table row per device key).
QString html();
// Shows the page in a window of its own (one at a time; it stays open).
void show(QWidget* parent);
}  // namespace keyboard_map
