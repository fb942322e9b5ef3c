#include "firmware/editor/menu.h"

void menu_init() {}
void menu_task() {}
