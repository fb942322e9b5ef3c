// The twelve label file slots at the bottom of the storage area: one flash
// sector per slot, a whole label record at the start of each. Files are
// written only when the user saves or deletes one.
#include <cstdio>
#include <cstdlib>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/platform/flash.h"

namespace {
// The menus offer slots 0..11 only; any other number is a fault in the
// firmware itself, and the device stops rather than write outside the slots.
void check_slot(uint8_t slot) {
  if (slot < NVM_LABEL_FILES) return;
  std::fprintf(stderr, "Assertion failed: pos <= 11, file nvm\n");
  std::abort();
}

uint32_t slot_address(uint8_t slot) { return NVM_LABEL_FILES_ADDR + slot * NVM_LABEL_FILE_SECTOR; }
}  // namespace

void nvm_save_label_file(uint8_t slot, LabelRecord* record, bool set_checksum) {
  check_slot(slot);
  spi_erase_sector(slot_address(slot));
  if (set_checksum) record->checksum = lbl_checksum(record);
  spi_write(reinterpret_cast<const uint8_t*>(record), slot_address(slot), sizeof *record);
}

void nvm_load_label_file(uint8_t slot, LabelRecord* buffer) {
  check_slot(slot);
  spi_read(reinterpret_cast<uint8_t*>(buffer), slot_address(slot), sizeof *buffer);
}
