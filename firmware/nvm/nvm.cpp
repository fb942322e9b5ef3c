// Device settings (two copies) and the rescue record that keeps a journal
// wrap or a file replacement safe across a power cut.
//
// The flash can only be erased a sector at a time, and each journal and each
// file slot has a single sector. Before such a sector is erased while it holds
// the only good copy of something, the new content is first written as a
// rescue record into the spare part of the settings backup sector; once the
// sector holds it again the rescue is crossed out (its marker cleared to 0,
// which needs no erase). A rescue still marked at start-up is carried out
// again before anything else reads the storage.
#include "firmware/nvm/nvm.h"

#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm_rescue.h"
#include "firmware/platform/flash.h"

namespace {
constexpr uint8_t kSettingsMagic = 0xA4;  // byte 8 of every settings record the device writes
constexpr uint8_t kRescueDone = 0x00;

uint8_t sum9(const uint8_t* r) {
  uint8_t sum = 0;
  for (int i = 0; i < 9; ++i) sum = uint8_t(sum + r[i]);
  return sum;
}

// A copy torn by a power cut has erased bytes at its end, so its magic byte
// fails even where the 8-bit sum happens to match.
bool settings_ok(const uint8_t* r) { return r[9] == sum9(r) && r[8] == kSettingsMagic; }

uint32_t rescue_sum(const uint8_t* header, const uint8_t* payload, size_t length) {
  uint32_t sum = header[1] + header[2] + header[3];
  for (size_t i = 0; i < length; ++i) sum += payload[i];
  return sum;
}
}  // namespace

void nvm_init() {
  spi_init();
  nvm_rescue_replay();
}

bool nvm_load_device_settings(uint8_t record10[10]) {
  spi_read(record10, NVM_SETTINGS_ADDR, 10);
  if (settings_ok(record10)) return true;
  spi_read(record10, NVM_SETTINGS_BACKUP_ADDR, 10);
  if (!settings_ok(record10)) return false;
  nvm_save_device_settings(record10);  // repair the primary from the backup
  return true;
}

// Primary first, then the backup: a cut anywhere leaves one good copy.
void nvm_save_device_settings(uint8_t record10[10]) {
  record10[9] = sum9(record10);
  spi_erase_sector(NVM_SETTINGS_ADDR);
  spi_write(record10, NVM_SETTINGS_ADDR, 10);
  spi_erase_sector(NVM_SETTINGS_BACKUP_ADDR);
  spi_write(record10, NVM_SETTINGS_BACKUP_ADDR, 10);
}

// The service erase: both copies go, so the next start-up writes the factory
// settings.
void nvm_erase_device_settings() {
  spi_erase_sector(NVM_SETTINGS_ADDR);
  spi_erase_sector(NVM_SETTINGS_BACKUP_ADDR);
}

// ---- Rescue record ----
// At NVM_RESCUE_ADDR: marker (0xAC pending, 0x00 done, 0xFF none), kind,
// slot, 0, the u32 sum of bytes 1..3 and the payload, then the payload (the
// record that is to land in its sector).

void nvm_rescue_begin(uint8_t kind, uint8_t slot, const uint8_t* payload, uint16_t length) {
  // The spare part of the backup sector is erased first; the settings copy
  // there is put back at once (from a primary made good beforehand).
  uint8_t primary[10];
  spi_read(primary, NVM_SETTINGS_ADDR, 10);
  if (!settings_ok(primary)) {
    uint8_t backup[10];
    spi_read(backup, NVM_SETTINGS_BACKUP_ADDR, 10);
    if (settings_ok(backup)) nvm_save_device_settings(backup);
    std::memcpy(primary, backup, 10);
  }
  spi_erase_sector(NVM_SETTINGS_BACKUP_ADDR);
  if (settings_ok(primary)) spi_write(primary, NVM_SETTINGS_BACKUP_ADDR, 10);

  uint8_t header[NVM_RESCUE_HEADER] = {NVM_MARK_FREE, kind, slot, 0};
  const uint32_t sum = rescue_sum(header, payload, length);
  for (int i = 0; i < 4; ++i) header[4 + i] = uint8_t(sum >> (8 * i));
  // Body first, marker last: a cut before the marker leaves no rescue.
  spi_write(header + 1, NVM_RESCUE_ADDR + 1, NVM_RESCUE_HEADER - 1);
  spi_write(payload, NVM_RESCUE_ADDR + NVM_RESCUE_HEADER, length);
  const uint8_t marker = NVM_MARK_WRITTEN;
  spi_write(&marker, NVM_RESCUE_ADDR, 1);
}

void nvm_rescue_end() {
  const uint8_t done = kRescueDone;
  spi_write(&done, NVM_RESCUE_ADDR, 1);
}

void nvm_rescue_replay() {
  uint8_t header[NVM_RESCUE_HEADER];
  spi_read(header, NVM_RESCUE_ADDR, NVM_RESCUE_HEADER);
  if (header[0] != NVM_MARK_WRITTEN) return;
  uint16_t length = 0;
  if (header[1] == NVM_RESCUE_WORKING_LABEL || header[1] == NVM_RESCUE_LABEL_FILE)
    length = sizeof(LabelRecord);
  else if (header[1] == NVM_RESCUE_COUNTERS)
    length = NVM_COUNTER_BYTES;
  if (length == 0 || (header[1] == NVM_RESCUE_LABEL_FILE && header[2] >= NVM_LABEL_FILES)) return;
  uint8_t payload[sizeof(LabelRecord)];
  spi_read(payload, NVM_RESCUE_ADDR + NVM_RESCUE_HEADER, length);
  const uint32_t stored = uint32_t(header[4]) | uint32_t(header[5]) << 8 | uint32_t(header[6]) << 16 |
                          uint32_t(header[7]) << 24;
  if (stored != rescue_sum(header, payload, length)) return;  // torn: the sector was never touched
  switch (header[1]) {
    case NVM_RESCUE_WORKING_LABEL:
      nvm_rewrite_working_journal(payload);
      break;
    case NVM_RESCUE_COUNTERS:
      nvm_rewrite_counter_journal(payload);
      break;
    default:
      nvm_rewrite_label_file(header[2], payload);
      break;
  }
  nvm_rescue_end();
}
