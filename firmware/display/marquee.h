// Scrolling text line (mode 8): a long menu entry scrolls sideways.
#pragma once

void marquee_init();
void marquee_task();
