// The two journals: the working label (8 entries of 512 bytes at 0xFC000) and
// the cut counter (32 entries of 128 bytes at 0xFE000). An entry is a marker
// byte and the record after it.
//
// Each entry is written record first, marker (0xAC) last, so a marked entry
// was whole when its marker went in; a load walks from the top entry down to
// the first marked entry whose check holds, so an entry torn by a power cut
// leaves the one before it in force. A new entry goes above the highest entry
// that holds any written byte (a torn one included: the flash cannot write
// over it without an erase). When the top entry is used, the sector is
// erased and the record becomes its first entry, with a rescue record
// standing in for the journal meanwhile.
#include <cstring>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/nvm/nvm_rescue.h"
#include "firmware/platform/flash.h"

namespace {
struct Journal {
  uint32_t base;
  uint32_t entry_size;
  uint8_t entries;
  uint16_t record_size;
  bool (*valid)(const uint8_t* record);
};

bool label_valid(const uint8_t* record) { return lbl_checksum_ok(reinterpret_cast<const LabelRecord*>(record)); }

uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool counters_valid(const uint8_t* record) { return get32(record + 10) == nvm_sum10(record); }

constexpr Journal kWorking{NVM_WORKING_LABEL_ADDR, NVM_WORKING_LABEL_ENTRY, NVM_WORKING_LABEL_ENTRIES,
                           sizeof(LabelRecord), label_valid};
constexpr Journal kCounters{NVM_COUNTER_ADDR, NVM_COUNTER_ENTRY, NVM_COUNTER_ENTRIES, NVM_COUNTER_BYTES,
                            counters_valid};

uint32_t entry_at(const Journal& j, int i) { return j.base + uint32_t(i) * j.entry_size; }

// The newest entry that is marked and whose record checks, or -1; its record
// is read into record.
int newest_valid(const Journal& j, uint8_t* record) {
  for (int i = j.entries - 1; i >= 0; --i) {
    uint8_t marker = NVM_MARK_FREE;
    spi_read(&marker, entry_at(j, i), 1);
    if (marker != NVM_MARK_WRITTEN) continue;
    spi_read(record, entry_at(j, i) + 1, j.record_size);
    if (j.valid(record)) return i;
  }
  return -1;
}

// The highest entry with any byte written (marker or record), or -1.
int highest_used(const Journal& j) {
  uint8_t bytes[sizeof(LabelRecord) + 1];
  for (int i = j.entries - 1; i >= 0; --i) {
    spi_read(bytes, entry_at(j, i), uint16_t(j.record_size + 1));
    for (uint16_t k = 0; k <= j.record_size; ++k)
      if (bytes[k] != 0xFF) return i;
  }
  return -1;
}

void write_entry(const Journal& j, int i, const uint8_t* record) {
  spi_write(record, entry_at(j, i) + 1, j.record_size);
  const uint8_t marker = NVM_MARK_WRITTEN;
  spi_write(&marker, entry_at(j, i), 1);
}

void rewrite(const Journal& j, const uint8_t* record) {
  spi_erase_sector(j.base);
  write_entry(j, 0, record);
}

// Appends record unless it equals the newest valid entry.
void append(const Journal& j, uint8_t rescue_kind, const uint8_t* record) {
  uint8_t newest[sizeof(LabelRecord)];
  if (newest_valid(j, newest) >= 0 && std::memcmp(newest, record, j.record_size) == 0) return;
  const int used = highest_used(j);
  if (used + 1 < j.entries) {
    write_entry(j, used + 1, record);
    return;
  }
  nvm_rescue_begin(rescue_kind, 0, record, j.record_size);
  rewrite(j, record);
  nvm_rescue_end();
}
}  // namespace

void nvm_rewrite_working_journal(const uint8_t* record464) { rewrite(kWorking, record464); }
void nvm_rewrite_counter_journal(const uint8_t* record14) { rewrite(kCounters, record14); }

// Switching off without a change costs no flash write.
void nvm_save_working_label(LabelRecord* record) {
  record->checksum = lbl_checksum(record);
  append(kWorking, NVM_RESCUE_WORKING_LABEL, reinterpret_cast<const uint8_t*>(record));
}

bool nvm_load_working_label(LabelRecord* record) {
  LabelRecord found;
  if (newest_valid(kWorking, reinterpret_cast<uint8_t*>(&found)) < 0) return false;
  *record = found;
  return true;
}

uint32_t nvm_sum10(const uint8_t* bytes) {
  uint32_t sum = 0;
  for (int i = 0; i < 10; ++i) sum += bytes[i];
  return sum;
}

void nvm_save_counters(uint8_t record14[14]) {
  put32(record14 + 10, nvm_sum10(record14));
  append(kCounters, NVM_RESCUE_COUNTERS, record14);
}

bool nvm_load_counters(uint8_t record14[14]) {
  uint8_t found[NVM_COUNTER_BYTES];
  if (newest_valid(kCounters, found) < 0) return false;
  std::memcpy(record14, found, NVM_COUNTER_BYTES);
  return true;
}

// A cut after the erase leaves an empty journal, which start-up fills with
// the same zero record.
void nvm_reset_counters() {
  spi_erase_sector(NVM_COUNTER_ADDR);
  uint8_t zero[NVM_COUNTER_BYTES] = {};
  nvm_save_counters(zero);
}
