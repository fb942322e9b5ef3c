#include "firmware/nvm/nvm.h"

#include "host/spi_flash.h"

namespace {
uint8_t sum9(const uint8_t* r) {
  uint8_t sum = 0;
  for (int i = 0; i < 9; ++i) sum = uint8_t(sum + r[i]);
  return sum;
}
}  // namespace

void nvm_init() { spi_init(); }

bool nvm_load_device_settings(uint8_t record10[10]) {
  spi_read(record10, NVM_SETTINGS_ADDR, 10);
  if (record10[9] == sum9(record10)) return true;
  spi_read(record10, NVM_SETTINGS_BACKUP_ADDR, 10);
  if (record10[9] != sum9(record10)) return false;
  nvm_save_device_settings(record10);  // repair the primary from the backup
  return true;
}

void nvm_save_device_settings(uint8_t record10[10]) {
  record10[9] = sum9(record10);
  spi_erase_sector(NVM_SETTINGS_ADDR);
  spi_write(record10, NVM_SETTINGS_ADDR, 10);
  spi_erase_sector(NVM_SETTINGS_BACKUP_ADDR);
  spi_write(record10, NVM_SETTINGS_BACKUP_ADDR, 10);
}

void nvm_erase_device_settings() { spi_erase_sector(NVM_SETTINGS_ADDR); }
