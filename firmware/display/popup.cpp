#include "firmware/display/popup.h"

void msg_popup_init() {}
void msg_popup_task() {}
void confirm_init() {}
void confirm_task() {}
