#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/motion.h"

void ComputeRotoSteps(const Region* r, RotoSteps* steps)
{
    const int32_t width = r->x1 - r->x0;
    const int32_t height = r->y1 - r->y0;
    const double m = static_cast<double>(r->millis);
    const double a = m * 0.0014285714285714286;  // one turn of the steps in 2 pi * 700 ms
    const double b = m * 0.001;                   // one circle of the start point in 2 pi * 1000 ms
    // Conversions truncate toward zero, and so do the integer divisions.
    steps->ks = static_cast<int32_t>((std::sin(a) + 0.5) * 65536.0);
    steps->kc = static_cast<int32_t>((std::cos(a) + 0.5) * 65536.0);
    steps->pixelU = steps->ks / width;
    steps->pixelV = steps->kc / width;
    steps->rowU = steps->kc / height;
    steps->rowV = -(steps->ks / height);
    steps->startU = static_cast<int32_t>((std::sin(b) + 2.0) * 131072.0);
    steps->startV = static_cast<int32_t>((std::cos(b) + 2.0) * 131072.0);
}

void Rotozoom(const Region* r)
{
    if (r->x0 >= r->x1 || r->y0 >= r->y1)
        return;
    RotoSteps steps;
    ComputeRotoSteps(r, &steps);

    // Unsigned accumulators wrap in two's complement; only bits 8..15 pick the texel, so the
    // texture repeats every 65536 units. V's byte stays in place as row * 256, U's moves down.
    const uint32_t pixelU = static_cast<uint32_t>(steps.pixelU), pixelV = static_cast<uint32_t>(steps.pixelV);
    const uint32_t rowU = static_cast<uint32_t>(steps.rowU), rowV = static_cast<uint32_t>(steps.rowV);
    uint32_t startU = static_cast<uint32_t>(steps.startU), startV = static_cast<uint32_t>(steps.startV);
    const int width = r->x1 - r->x0;
    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride + r->x0;
    for (int y = r->y0; y < r->y1; ++y, row += r->stride, startU += rowU, startV += rowV) {
        uint32_t u = startU, v = startV;
        for (int x = 0; x < width; ++x, u += pixelU, v += pixelV)
            row[x] = RotoTexture[(v & 0xFF00) | ((u >> 8) & 0xFF)];
    }
}

void ShiftRow(uint16_t row, uint16_t amount)
{
    if (row >= BufferHeight)
        return;
    // Amounts of a whole row or more rotate by what is left over.
    amount %= BufferWidth;
    if (amount == 0)
        return;
    uint16_t head[BufferWidth];
    uint16_t* pixels = Framebuffer + size_t{row} * BufferWidth;
    std::memcpy(head, pixels, amount * sizeof(uint16_t));
    std::memmove(pixels, pixels + amount, (BufferWidth - amount) * sizeof(uint16_t));
    std::memcpy(pixels + BufferWidth - amount, head, amount * sizeof(uint16_t));
}

// Levels above 65535 count as 65535; the products are shifted right by 16, truncating.
static uint16_t RisingSplit(uint32_t level)
{
    return static_cast<uint16_t>((std::min<uint32_t>(level, 65535) * BufferWidth) >> 16);
}

static uint16_t FallingSplit(uint32_t level)
{
    return static_cast<uint16_t>(((65535 - std::min<uint32_t>(level, 65535)) * BufferWidth) >> 16);
}

void SplitRotoRings2(Region* left, Region* right, uint32_t level)
{
    const uint16_t splitX = FallingSplit(level);
    RegionColumns(left, 0, splitX);
    RegionColumns(right, splitX, BufferWidth);
    Rotozoom(left);
    RingsSum2(right);
}

void SplitRotoRings3(Region* left, Region* right, uint32_t level)
{
    const uint16_t splitX = RisingSplit(level);
    RegionColumns(left, 0, splitX);
    RegionColumns(right, splitX, BufferWidth);
    Rotozoom(left);
    RingsXor3(right, 1);
    // Rows 16..31, 48..63, ...: the two halves trade sides.
    for (uint16_t y = 0; y < BufferHeight; ++y)
        if (y & 16)
            ShiftRow(y, splitX);
}
