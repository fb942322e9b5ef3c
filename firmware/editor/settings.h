// The menu actions: what Enter does in each menu. They apply the menu's
// working copies to the label record or the device settings, make the
// checks of each setting and show a timed message when one fails.
#pragma once
#include <cstdint>

// Enter in the open menu on its selected entry. True when the serial menu
// or the terminal block / patch panel settings applied their values.
bool menu_action();
