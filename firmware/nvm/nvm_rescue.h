// The storage's own safety net against power cuts (inside firmware/nvm only):
// a rescue record holds a sector's new content while that sector, the only
// home of something, is erased and written again.
#pragma once
#include <cstdint>

#include "firmware/nvm/nvm.h"

// In the settings backup sector, past the 10-byte copy.
constexpr uint32_t NVM_RESCUE_ADDR = NVM_SETTINGS_BACKUP_ADDR + 0x800;
constexpr uint32_t NVM_RESCUE_HEADER = 8;
constexpr uint8_t NVM_RESCUE_WORKING_LABEL = 1, NVM_RESCUE_COUNTERS = 2, NVM_RESCUE_LABEL_FILE = 3;

// Writes the rescue (kind, slot for a label file, the new content).
void nvm_rescue_begin(uint8_t kind, uint8_t slot, const uint8_t* payload, uint16_t length);
// Crosses the rescue out once its sector holds the content again.
void nvm_rescue_end();
// At start-up: a rescue still pending is carried out and crossed out.
void nvm_rescue_replay();

// The sector rewrites a rescue stands for: erase, then the record as the
// sector's first entry (journals) or at its start (a file slot).
void nvm_rewrite_working_journal(const uint8_t* record464);
void nvm_rewrite_counter_journal(const uint8_t* record14);
void nvm_rewrite_label_file(uint8_t slot, const uint8_t* record464);
