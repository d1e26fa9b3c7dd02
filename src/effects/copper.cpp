// Five solid bars swinging up and down the buffer on phase-shifted sines, the rest of each row
// black, and the wipe that brings them in from the left of a moving split.
#include "effects/copper.h"

#include <algorithm>
#include <cmath>

#include "effects/effects.h"

std::array<int32_t, CopperBarCount> CopperBarTops(const Region* r)
{
    const double m = static_cast<double>(r->millis);
    const int32_t barRows = r->height / 8;
    const int32_t amplitude = int32_t{r->centerY} - barRows;
    std::array<int32_t, CopperBarCount> barTop;
    for (size_t i = 0; i < CopperBarCount; ++i) {
        const double s = std::sin(static_cast<double>(i) * 0.5 - m * 0.002);
        // The swing truncates toward zero.
        barTop[i] = r->centerY + static_cast<int32_t>(amplitude * s);
    }
    return barTop;
}

void CopperBars(const Region* r)
{
    // One flag per row number: the first bar to reach a row owns it, so bar 0 is in front.
    constexpr int32_t FlagRows = 640;
    uint8_t rowTaken[FlagRows] = {};
    uint16_t rowColour[FlagRows];

    // Rows past the flags cannot hold a bar (nor, in any record the program builds, exist).
    const int32_t y0 = r->y0;
    const int32_t y1 = std::min<int32_t>(r->y1, FlagRows);
    const int32_t barRows = r->height / 8;
    const std::array<int32_t, CopperBarCount> barTop = CopperBarTops(r);
    for (size_t i = 0; i < CopperBarCount; ++i) {
        // Only rows inside the rectangle are claimed; the others are neither drawn nor marked.
        const int32_t first = std::max(barTop[i], y0);
        const int32_t last = std::min(barTop[i] + barRows, y1);
        for (int32_t y = first; y < last; ++y) {
            if (!rowTaken[y]) {
                rowTaken[y] = 1;
                rowColour[y] = barColours[i];
            }
        }
    }

    if (r->x0 >= r->x1)
        return;
    const size_t width = size_t{r->x1} - r->x0;
    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride + r->x0;
    for (int32_t y = y0; y < y1; ++y, row += r->stride)
        std::fill_n(row, width, rowTaken[y] ? rowColour[y] : uint16_t{0});
}

uint16_t CopperWipeSplit(uint32_t level)
{
    // A level above 65535 counts as 65535, so the split (high 16 bits of the product) stays
    // inside the row: 0..239.
    return static_cast<uint16_t>((uint32_t{BufferWidth} * std::min<uint32_t>(level, 0xFFFF)) >> 16);
}

void CopperWipe(Region* left, Region* right, uint32_t level)
{
    const uint16_t splitX = CopperWipeSplit(level);
    RegionColumns(left, 0, splitX);
    RegionColumns(right, splitX, BufferWidth);
    CopperBars(left);
    ClearRegion(right);
}
