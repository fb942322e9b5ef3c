// The printed tape shown by the Print Output window.
#pragma once

void tape_init();
void tape_task();
