// The cartridge sensor: which label material is loaded. 0 none, 1..3
// continuous tape, 4..7 self-laminating, 8..11 sleeves.
#pragma once
#include <cstdint>

// Cartridge ids the firmware asks about by name.
enum : uint8_t {
  CART_NONE = 0,
  CART_TAPE_3_4_IN = 3,  // 3/4-inch continuous tape, the only one for barcodes
  CART_COUNT = 12,       // ids 0..11
};
constexpr bool cart_id_is_self_lam(uint8_t id) { return id >= 4 && id <= 7; }
constexpr bool cart_id_is_sleeve(uint8_t id) { return id >= 8 && id <= 11; }

void cart_init();
void cart_task();
uint8_t cart_get_id();
bool cart_is_self_lam();
bool cart_is_sleeve();
