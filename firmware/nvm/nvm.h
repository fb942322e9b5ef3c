// Storage in the flash's last sectors: label files, the working-label
// journal, the device settings (with a backup copy) and the counter journal.
#pragma once
#include <cstdint>

struct LabelRecord;

constexpr uint32_t NVM_WORKING_LABEL_ADDR = 0xFC000;  // 8 journal entries of 512 bytes
constexpr uint32_t NVM_WORKING_LABEL_ENTRY = 512;
constexpr uint8_t NVM_WORKING_LABEL_ENTRIES = 8;
constexpr uint8_t NVM_MARK_FREE = 0xFF, NVM_MARK_WRITTEN = 0xAC;
constexpr uint32_t NVM_SETTINGS_ADDR = 0xFD000;
constexpr uint32_t NVM_SETTINGS_BACKUP_ADDR = 0xFF000;  // own sector, outside every other area

// Initialises the flash and finishes a save that a power cut interrupted.

void nvm_init();

// Twelve label file slots, one sector each from 0xF0000, the 464-byte label
// record at the sector's start. A slot whose record fails its checksum
// (erased or deleted: all 0xFF) is empty. A slot number above 11 is a
// programming error: the assertion "pos <= 11" stops the program.
constexpr uint32_t NVM_LABEL_FILES_ADDR = 0xF0000;
constexpr uint32_t NVM_LABEL_FILE_SECTOR = 0x1000;
constexpr uint8_t NVM_LABEL_FILES = 12;
// Erases the slot's sector and writes the record; with set_checksum the
// record's checksum field is filled in first.
void nvm_save_label_file(uint8_t slot, LabelRecord* record, bool set_checksum);
// Reads the slot's 464 bytes into buffer; the caller checks lbl_checksum_ok.
void nvm_load_label_file(uint8_t slot, LabelRecord* buffer);

// The 10-byte device settings record; byte 9 is the 8-bit sum of bytes 0..8
// and a valid record has the magic 0xA4 in byte 8. A save writes the primary
// then the backup copy; a load falls back to the backup (and repairs the
// primary from it). The erase (Alt+Delete) removes both copies.
bool nvm_load_device_settings(uint8_t record10[10]);
void nvm_save_device_settings(uint8_t record10[10]);
void nvm_erase_device_settings();

// The working label: a journal of 8 entries (marker byte, then the 464-byte
// record) in one sector, written in address order, record before marker; the
// newest is the highest marked entry whose checksum holds. A save equal to
// it writes nothing; the sector is erased only when all 8 entries are used.
// The save stores the record's checksum into the record.
void nvm_save_working_label(LabelRecord* record);
// Reads the newest valid entry into record. Without one the record is left
// untouched and the result is false.
bool nvm_load_working_label(LabelRecord* record);

// The counter record (14 bytes, little-endian): cut_count (u32), a second u32
// and a u16 that no reader uses, then the check (u32) = the sum of bytes 0..9.
// It is journalled in its own sector: 32 entries of 128 bytes (marker byte,
// then the record), kept as the working-label journal is. A save equal to the
// newest valid entry writes nothing; a save after the top entry erases the
// sector and starts again at its bottom.
constexpr uint32_t NVM_COUNTER_ADDR = 0xFE000;
constexpr uint32_t NVM_COUNTER_ENTRY = 128;
constexpr uint8_t NVM_COUNTER_ENTRIES = 32;
constexpr uint8_t NVM_COUNTER_BYTES = 14;

uint32_t nvm_sum10(const uint8_t* bytes);
// Writes the check into bytes 10..13 of the caller's record, then journals it.
void nvm_save_counters(uint8_t record14[14]);
// Reads the newest valid entry; without one the record is left untouched and
// the result is false.
bool nvm_load_counters(uint8_t record14[14]);
// Erases the journal and stores a record of zeros at its bottom.
void nvm_reset_counters();
