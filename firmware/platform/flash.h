// The serial flash chip: fonts, settings and the label files. Addresses are
// byte addresses; erasing a sector sets its bytes to 0xFF. A NOR part: a
// write can only clear bits (the byte kept is old AND new), so anything
// written over must have been erased first.
#pragma once
#include <cstdint>

constexpr uint32_t SPI_SECTOR_SIZE = 4096;

void spi_init();
void spi_read(uint8_t* destination, uint32_t address, uint16_t length);
void spi_write(const uint8_t* source, uint32_t address, uint16_t length);
void spi_erase_sector(uint32_t address);
