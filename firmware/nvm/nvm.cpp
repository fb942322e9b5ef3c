#include "firmware/nvm/nvm.h"

#include <cstring>

#include "firmware/editor/label.h"
#include "host/spi_flash.h"

namespace {
uint8_t sum9(const uint8_t* r) {
  uint8_t sum = 0;
  for (int i = 0; i < 9; ++i) sum = uint8_t(sum + r[i]);
  return sum;
}

uint32_t entry_address(uint8_t i) { return NVM_WORKING_LABEL_ADDR + i * NVM_WORKING_LABEL_ENTRY; }

uint8_t marker_at(uint32_t address) {
  uint8_t marker = NVM_MARK_FREE;
  spi_read(&marker, address, 1);
  return marker;
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

void nvm_save_working_label(LabelRecord* record) {
  // The newest written entry is searched from the top.
  for (int i = NVM_WORKING_LABEL_ENTRIES - 1; i >= 0; --i) {
    uint32_t at = entry_address(uint8_t(i));
    if (marker_at(at) == NVM_MARK_FREE) continue;
    LabelRecord newest{};
    spi_read(reinterpret_cast<uint8_t*>(&newest), at + 1, sizeof newest);
    // Switching off without a change costs no flash write.
    if (lbl_checksum_ok(&newest) && std::memcmp(&newest, record, sizeof newest) == 0) return;
    break;
  }
  uint32_t target = 0;
  bool found = false;
  for (uint8_t i = 0; i < NVM_WORKING_LABEL_ENTRIES && !found; ++i) {
    if (marker_at(entry_address(i)) == NVM_MARK_FREE) {
      target = entry_address(i);
      found = true;
    }
  }
  if (!found) {
    spi_erase_sector(NVM_WORKING_LABEL_ADDR);
    target = NVM_WORKING_LABEL_ADDR;
  }
  record->checksum = lbl_checksum(record);
  const uint8_t marker = NVM_MARK_WRITTEN;
  spi_write(&marker, target, 1);
  spi_write(reinterpret_cast<const uint8_t*>(record), target + 1, sizeof *record);
}

bool nvm_load_working_label(LabelRecord* record) {
  for (int i = NVM_WORKING_LABEL_ENTRIES - 1; i >= 0; --i) {
    uint32_t at = entry_address(uint8_t(i));
    if (marker_at(at) != NVM_MARK_WRITTEN) continue;
    spi_read(reinterpret_cast<uint8_t*>(record), at + 1, sizeof *record);
    return lbl_checksum_ok(record);
  }
  return false;
}
