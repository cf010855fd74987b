// Writes a file whole or not at all: the bytes go to a temporary file beside it,
// which takes the file's name only once everything is written.
#pragma once

#include <cstddef>
#include <string>

// The temporary name used beside `path` while it is being written.
std::string partialPath(const std::string& path);

// False with a one-line reason; the old file, if any, is then left as it was.
bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error);
