#include "firmware/display/font.h"

void font_init() {}
