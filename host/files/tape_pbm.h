// The printed tape as a binary PBM (P4) picture: one picture column per
// printed column, 128 rows, row 0 = engine dot 127 (the window's own
// orientation, without the bands). For the batch runner and the tests.
#pragma once
#include <string>

std::string tape_pbm();
bool tape_write_pbm(const std::string& path);
