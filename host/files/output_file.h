// Writing an output picture (LCD, tape) without harming what is already at
// its path: a symbolic link is written through to its target, a regular file
// is replaced whole only once the new content is complete, anything else (a
// device node, a pipe) is written in place and never replaced, a file
// without any write permission is left alone, and a failed write leaves no
// empty or partial file behind.
#pragma once
#include <cstdio>
#include <functional>
#include <cstddef>
#include <string>

// fill writes the content to the stream and returns false on failure.
bool output_file_write(const std::string& path, const std::function<bool(FILE*)>& fill);
// The same with these bytes as the content.
bool output_file_write_bytes(const std::string& path, const void* data, size_t size);

// The name that finally holds (or will hold) the data at path: a chain of
// symbolic links followed to its end, even when that end does not exist yet.
std::string output_file_target(const std::string& path);

// True when the two paths name the same file (through links and different
// spellings), as far as can be told; a path that does not exist names no
// existing file but may still equal the other by its spelling.
bool output_file_same(const std::string& a, const std::string& b);
