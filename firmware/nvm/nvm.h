// Storage in the flash's last sectors: label files, the working-label
// journal, the device settings (with a backup copy) and the counter journal.
#pragma once
#include <cstdint>

constexpr uint32_t NVM_SETTINGS_ADDR = 0xFD000;
constexpr uint32_t NVM_SETTINGS_BACKUP_ADDR = 0xFF000;  // own sector, outside every other area

void nvm_init();

// The 10-byte device settings record; byte 9 is the 8-bit sum of bytes 0..8.
bool nvm_load_device_settings(uint8_t record10[10]);
void nvm_save_device_settings(uint8_t record10[10]);
void nvm_erase_device_settings();
