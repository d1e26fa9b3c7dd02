// Copper-bar details shared with the tests: the bar colours and where the bars stand.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "frame/frame.h"

constexpr size_t CopperBarCount = 5;

// In bar order; where bars overlap, the lower-numbered bar is in front.
constexpr std::array<uint16_t, CopperBarCount> barColours = {
    PackRgb565(129, 164, 132), PackRgb565(215, 225, 212), PackRgb565(247, 172, 124),
    PackRgb565(250, 250, 250), PackRgb565(70, 108, 82),
};

// The first row of each bar for the record's millis, height and centerY: rows 40..280 for the
// standard geometry, possibly outside the buffer for other records.
std::array<int32_t, CopperBarCount> CopperBarTops(const Region* r);
