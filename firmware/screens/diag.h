// Service mode (mode 13) entered with Alt commands, and the message browser;
// neither screen is built yet (TODO list in diag.cpp).
#pragma once
#include <cstdint>

void diag_init();
void diag_task();
void diag_set_command(uint8_t command);
uint8_t diag_command();
void diag_set_speed_test(uint8_t on);
uint8_t diag_get_speed_test();
void msg_browser_init();
void msg_browser_task();
