#include "firmware/display/popup.h"

void msg_popup_init() {}
void msg_popup_task() {}
void msg_popup_show(uint8_t, uint8_t) {}
void confirm_init() {}
void confirm_task() {}
