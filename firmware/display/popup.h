// Timed message popup (mode 12) and the Yes/No confirmation (mode 32).
#pragma once
#include <cstdint>

void msg_popup_init();
void msg_popup_task();
void msg_popup_show(uint8_t id, uint8_t timed);
void confirm_init();
void confirm_task();
