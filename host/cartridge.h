// The cartridge sensor: which label material is loaded. 0 none, 1..3
// continuous tape, 4..7 self-laminating, 8..11 sleeves.
#pragma once
#include <cstdint>

void cart_init();
void cart_task();
uint8_t cart_get_id();
void cart_set_id(uint8_t id);
bool cart_is_self_lam();
bool cart_is_sleeve();
