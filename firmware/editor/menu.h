// Menu engine (mode 3).
#pragma once

void menu_init();
void menu_task();
