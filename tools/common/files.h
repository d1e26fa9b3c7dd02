// Whole files in for the tools and the tests, read at once; the writers are the program's own
// (src/files/files.h: a file is written whole or not at all).
// Every routine returns false with a message naming the path when it fails.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "files/files.h"

// Reads the whole file into bytes (replacing what they held).
bool ReadFile(const std::string& path, std::string* bytes, std::string* error);
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
