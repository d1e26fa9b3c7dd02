// Whole-buffer comparison that reports only the first differing pixel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame.h"

// "" when equal, otherwise where and how the first pixel differs.
inline std::string FirstDifference(const std::vector<uint16_t>& got, const std::vector<uint16_t>& want)
{
    for (size_t k = 0; k < got.size() && k < want.size(); ++k)
        if (got[k] != want[k])
            return "pixel (" + std::to_string(k % BufferWidth) + ", " + std::to_string(k / BufferWidth) + "): got " +
                   std::to_string(got[k]) + ", want " + std::to_string(want[k]);
    return got.size() == want.size() ? "" : "sizes differ";
}
