#include "firmware/editor/editor.h"

void ed_init() {}
void ed_mode_task() {}
