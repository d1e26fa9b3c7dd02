// Whole files in and out for the tools and the tests: read at once, written through a temporary
// file beside the target so that a failed write never leaves a half-written file under its name.
// Every routine returns false with a message naming the path when it fails.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Reads the whole file into bytes (replacing what they held).
bool ReadFile(const std::string& path, std::string* bytes, std::string* error);
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// Writes bytes to path + ".tmp", then renames it over path; on failure nothing is left behind.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string* error);
bool WriteFileAtomically(const std::string& path, std::string_view text, std::string* error);

// The bytes of a WAV file of 32-bit float samples, channels interleaved.
std::vector<uint8_t> FloatWavBytes(std::span<const float> interleaved, uint16_t channels, uint32_t rate);
