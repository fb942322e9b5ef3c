// Reading an input file whole (a key script, a JSON file, a golden) without
// being led into reading forever: a directory, a device node or a socket is
// refused by its type before anything is read, and no more than `limit`
// bytes are taken from a file or a pipe.
#pragma once
#include <cstdint>
#include <string>

constexpr uint64_t INPUT_FILE_LIMIT = 64u << 20;

// False with a one-line reason (naming the path) when the file cannot be read
// or is not one to read whole.
bool input_file_read(const std::string& path, std::string& out, std::string& error,
                     uint64_t limit = INPUT_FILE_LIMIT);
