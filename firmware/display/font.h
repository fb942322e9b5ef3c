// Font layer: glyphs of six sizes read from the font store in flash.
#pragma once
#include <cstdint>

void font_init();
