// File name entry (mode 6): names a label file slot before saving.
#pragma once

void fname_init();
void fname_mode_task();
