#include "host/tape.h"

void tape_init() {}
void tape_task() {}
