// Menu ids: the seventeen menus of the menu tree (the rows of menu_table.cpp).
#pragma once
#include <cstdint>

enum : uint8_t {
  MENU_NONE = 0,  // no menu open; as a menu's parent: Back closes to the editor
  MENU_MAIN = 1,
  MENU_SERIAL = 2,
  MENU_COPIES = 3,
  MENU_LABEL_TYPE = 4,
  MENU_BARCODE = 8,
  MENU_FILE_SLOTS = 9,
  MENU_LANGUAGE = 10,
  MENU_UNITS = 11,
  MENU_FIXED_LENGTH = 12,
  MENU_WIRE_SIZE = 13,
  MENU_TERMINAL_BLOCK = 14,
  MENU_PATCH_PANEL = 15,
  MENU_FILE = 16,
  MENU_FONT_SIZE = 17,
};
