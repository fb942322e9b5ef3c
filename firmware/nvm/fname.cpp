#include "firmware/nvm/fname.h"

void fname_init() {}
void fname_mode_task() {}
