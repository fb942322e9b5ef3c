// The twelve label file slots at the bottom of the storage area: one flash
// sector per slot, a whole label record at the start of each. Files are
// written only when the user saves or deletes one. Replacing a good file
// goes through a rescue record, so a power cut between the erase and the write
// leaves the old file or the new one, never an empty slot.
#include <cstdio>
#include <cstdlib>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/nvm/nvm_rescue.h"
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

void nvm_rewrite_label_file(uint8_t slot, const uint8_t* record464) {
  spi_erase_sector(slot_address(slot));
  spi_write(record464, slot_address(slot), sizeof(LabelRecord));
}

void nvm_save_label_file(uint8_t slot, LabelRecord* record, bool set_checksum) {
  check_slot(slot);
  if (set_checksum) record->checksum = lbl_checksum(record);
  LabelRecord old;
  spi_read(reinterpret_cast<uint8_t*>(&old), slot_address(slot), sizeof old);
  // Only a good file over a good file needs the rescue: an empty slot has
  // nothing to lose, and a deletion leaves the slot empty either way.
  const bool rescue = lbl_checksum_ok(&old) && lbl_checksum_ok(record);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
  if (rescue) nvm_rescue_begin(NVM_RESCUE_LABEL_FILE, slot, bytes, sizeof *record);
  nvm_rewrite_label_file(slot, bytes);
  if (rescue) nvm_rescue_end();
}

void nvm_load_label_file(uint8_t slot, LabelRecord* buffer) {
  check_slot(slot);
  spi_read(reinterpret_cast<uint8_t*>(buffer), slot_address(slot), sizeof *buffer);
}
