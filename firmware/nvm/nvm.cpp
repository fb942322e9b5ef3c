#include "firmware/nvm/nvm.h"

#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/platform/flash.h"

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

// ---- Counter journal ----

namespace {
uint32_t counter_entry(uint8_t i) { return NVM_COUNTER_ADDR + uint32_t(i) * NVM_COUNTER_ENTRY; }
constexpr uint32_t kCounterTop = NVM_COUNTER_ADDR + (NVM_COUNTER_ENTRIES - 1) * NVM_COUNTER_ENTRY;

uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool counters_check(const uint8_t* record) { return get32(record + 10) == nvm_sum10(record); }
}  // namespace

uint32_t nvm_sum10(const uint8_t* bytes) {
  uint32_t sum = 0;
  for (int i = 0; i < 10; ++i) sum += bytes[i];
  return sum;
}

void nvm_save_counters(uint8_t record14[14]) {
  // The newest written entry is searched from the top.
  int newest = -1;
  for (int i = NVM_COUNTER_ENTRIES - 1; i >= 0; --i) {
    if (marker_at(counter_entry(uint8_t(i))) != NVM_MARK_FREE) {
      newest = i;
      break;
    }
  }
  if (newest >= 0) {
    uint8_t stored[NVM_COUNTER_BYTES];
    spi_read(stored, counter_entry(uint8_t(newest)) + 1, NVM_COUNTER_BYTES);
    if (counters_check(stored) && std::memcmp(stored, record14, NVM_COUNTER_BYTES) == 0) return;
  }
  uint32_t target;
  if (newest < 0) {
    target = NVM_COUNTER_ADDR;
  } else if (counter_entry(uint8_t(newest)) == kCounterTop) {
    spi_erase_sector(NVM_COUNTER_ADDR);
    target = NVM_COUNTER_ADDR;
  } else {
    target = counter_entry(uint8_t(newest + 1));
  }
  put32(record14 + 10, nvm_sum10(record14));
  const uint8_t marker = NVM_MARK_WRITTEN;
  spi_write(&marker, target, 1);
  spi_write(record14, target + 1, NVM_COUNTER_BYTES);
}

bool nvm_load_counters(uint8_t record14[14]) {
  for (int i = NVM_COUNTER_ENTRIES - 1; i >= 0; --i) {
    uint32_t at = counter_entry(uint8_t(i));
    if (marker_at(at) != NVM_MARK_WRITTEN) continue;
    spi_read(record14, at + 1, NVM_COUNTER_BYTES);
    return counters_check(record14);
  }
  return false;
}

void nvm_reset_counters() {
  spi_erase_sector(NVM_COUNTER_ADDR);
  uint8_t zero[NVM_COUNTER_BYTES] = {};
  nvm_save_counters(zero);
}
