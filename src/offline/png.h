// The capture's PNG writer: zlib's deflate on unfiltered rows, which suits the show's flat colours.
#pragma once
#include <cstdint>
#include <vector>

// An RGB picture (3 bytes a pixel, row-major) as PNG bytes, the same bytes for the same pixels;
// empty when memory runs out. Thread-safe.
std::vector<uint8_t> EncodePng(const uint8_t* rgb, int width, int height);
