// Little-endian bytes in and out of a byte vector, as XM and WAV store their numbers: for the
// module's writer and the WAV header, and for the build's module check and the tests that read
// modules back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline void PutU8(std::vector<uint8_t>* out, uint32_t v) { out->push_back(static_cast<uint8_t>(v)); }

inline void PutU16(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The characters of text as they are, no terminator.
inline void PutTag(std::vector<uint8_t>* out, std::string_view text)
{
    for (char c : text)
        out->push_back(static_cast<uint8_t>(c));
}

// Overwrites the two bytes at `at`, which must already exist.
inline void PatchU16(std::vector<uint8_t>* out, size_t at, uint32_t v)
{
    (*out)[at] = static_cast<uint8_t>(v);
    (*out)[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Reads at offsets the caller has checked: [at, at + 2) or [at, at + 4) lies inside the bytes.
inline uint16_t U16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

inline uint32_t U32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
