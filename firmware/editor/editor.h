// The editor (modes 1 and 2): the home screen where the label is typed.
#pragma once

void ed_init();
void ed_mode_task();
