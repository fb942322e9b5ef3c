// The printed tape as a binary PBM (P4) picture: one picture column per
// printed column, 128 rows, row 0 = engine dot 127 (the window's own
// orientation, without the bands). For the batch runner and the tests.
#pragma once
#include <string>
#include <vector>

#include "host/seam/tape.h"

std::string tape_pbm();
// The same of these columns (display order, as the tape keeps them).
std::string tape_pbm_of(const std::vector<TapeColumn>& columns);
bool tape_write_pbm(const std::string& path);
