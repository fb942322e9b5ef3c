#include "firmware/display/marquee.h"

void marquee_init() {}
void marquee_task() {}
