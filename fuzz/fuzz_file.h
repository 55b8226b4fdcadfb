#pragma once
// The fuzz targets' one temporary folder.

#include <cstddef>
#include <cstdint>
#include <string>

// The folder, made on first use (in /dev/shm where it can be written).
const std::string& fuzzFolder();

// Writes `size` bytes to `name` in the fuzz folder and returns the file's path.
// Aborts when the file cannot be written: a fuzz run must not go on untested.
const std::string& writeFuzzFile(const char* name, const uint8_t* data, size_t size);
