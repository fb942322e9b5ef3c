// The cartridge sensor's host side: the media panel (or a script) sets the
// loaded material.
#pragma once
#include <cstdint>

#include "firmware/platform/cartridge.h"

void cart_set_id(uint8_t id);
