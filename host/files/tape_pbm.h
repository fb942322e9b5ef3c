// The printed tape as a binary PBM (P4) picture: one picture column per
// printed column, 128 rows, row 0 = engine dot 127 (the window's own
// orientation, without the bands). For the batch runner and the tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/seam/tape.h"

std::string tape_pbm();
// The same of these columns (display order, as the tape keeps them).
std::string tape_pbm_of(const std::vector<TapeColumn>& columns);
// Only the picture's rows of these columns, as the PBM has them after its
// header: (width + 7) / 8 bytes a row, leftmost column in bit 7, 1 = black.
std::vector<uint8_t> tape_rows_of(const std::vector<TapeColumn>& columns);
bool tape_write_pbm(const std::string& path);
