// Help > User Guide: the user guide that ships with the program, shown in a
// window of its own from the copy built into the program (no browser, no
// network, the same text wherever the program is installed).
#pragma once
#include <QString>

class QWidget;

namespace user_guide {
// The guide's address inside the program (a Qt resource).
QString source();
// Shows the guide (one window at a time; it stays open beside the device).
void show(QWidget* parent);
}  // namespace user_guide
