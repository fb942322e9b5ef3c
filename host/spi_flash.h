// The serial flash chip, backed by the image file "fontData.hex": byte n of
// the file is flash address n. Reads are served from memory; every write and
// erase goes through to the file at once, so the file is always current.
#pragma once
#include <cstdint>
#include <string>

constexpr uint32_t SPI_SECTOR_SIZE = 4096;

// Path of the image file; "fontData.hex" in the working directory by default.
// Takes effect at the next spi_init.
void spi_set_path(const std::string& path);
const std::string& spi_path();
// True when spi_init found and loaded the image file.
bool spi_present();

void spi_init();
void spi_read(uint8_t* destination, uint32_t address, uint16_t length);
void spi_write(const uint8_t* source, uint32_t address, uint16_t length);
void spi_erase_sector(uint32_t address);

// Number of times the image file has been opened (reads must never open it).
uint64_t spi_file_opens();
