#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/motion.h"
#include "effects/tables.h"
#include "effects/loops.h"
#include "effects/vector_loops.h"

void ComputeRotoSteps(const Region* r, RotoSteps* steps)
{
    const int32_t width = r->x1 - r->x0;
    const int32_t height = r->y1 - r->y0;
    const double m = static_cast<double>(r->millis);
    const double a = m * (1.0 / 700);  // one turn of the steps in 2 pi * 700 ms
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

// RotoTexture as the pixel loop reads it. In the plain layout a texture row is 8 cache lines and
// every 8th row falls on the same cache sets, so a walk that runs mostly down the texture (the
// zoomed-out, near-vertical frames) keeps evicting its own lines. Here the eight 32-texel runs
// of row v are swapped around by bits 3..5 of v: texel (v, u) lies at v << 8 | (u ^ Swizzle(v)),
// which spreads any 64 consecutive rows of one column over all sets.
constexpr uint32_t Swizzle(uint32_t v)
{
    return ((v >> 3) & 7) << 5;
}
static uint16_t SwizzledTexture[256 * 256];

void BuildRotoTexture()
{
    for (uint32_t v = 0; v < 256; ++v)
        for (uint32_t u = 0; u < 256; ++u)
            SwizzledTexture[v << 8 | (u ^ Swizzle(v))] = RotoTexture[v << 8 | u];
}

// Eight neighbouring pixels of a row at once. Only bits 8..15 of an accumulator pick a texel, and
// the low 16 bits of a sum depend only on the low 16 bits of its terms, so 16-bit lanes walk the
// texture exactly as the 32-bit accumulators do.
using Lanes = uint16_t __attribute__((vector_size(16)));
constexpr int LaneCount = sizeof(Lanes) / sizeof(uint16_t);

void Rotozoom(const Region* r)
{
    if (r->x0 >= r->x1 || r->y0 >= r->y1)
        return;
    RotoSteps steps;
    ComputeRotoSteps(r, &steps);
    if (!PlainLoops()) {
        const RotoPass pass = {Framebuffer + size_t{r->y0} * r->stride + r->x0, r->x1 - r->x0, r->y1 - r->y0, r->stride,
                               steps.startU, steps.startV, steps.pixelU, steps.pixelV, steps.rowU, steps.rowV, SwizzledTexture};
        RotozoomVector(&pass);
        return;
    }

    // Lane i starts i pixel steps on; all lanes step eight pixels at a time. Sums wrap at 16 bits.
    Lanes laneU, laneV;
    for (int i = 0; i < LaneCount; ++i) {
        laneU[i] = static_cast<uint16_t>(steps.startU + i * steps.pixelU);
        laneV[i] = static_cast<uint16_t>(steps.startV + i * steps.pixelV);
    }
    const uint16_t blockU = static_cast<uint16_t>(LaneCount * steps.pixelU);
    const uint16_t blockV = static_cast<uint16_t>(LaneCount * steps.pixelV);
    const uint16_t rowU = static_cast<uint16_t>(steps.rowU), rowV = static_cast<uint16_t>(steps.rowV);

    const int width = r->x1 - r->x0;
    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride + r->x0;
    for (int y = r->y0; y < r->y1; ++y, row += r->stride, laneU += rowU, laneV += rowV) {
        Lanes u = laneU, v = laneV;
        for (int x = 0; x < width; x += LaneCount, u += blockU, v += blockV) {
            // Texture row v = V's high byte, kept in place as v << 8; column u = U's high byte,
            // swizzled: (v << 8) >> 6 & 0xE0 is Swizzle(v).
            const Lanes rowBits = v & 0xFF00;
            const Lanes texel = rowBits | ((u >> 8) ^ ((rowBits >> 6) & 0xE0));
            const int n = std::min(LaneCount, width - x);
            for (int i = 0; i < n; ++i)
                row[x + i] = SwizzledTexture[texel[i]];
        }
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
uint16_t RotoRings3Split(uint32_t level)
{
    return static_cast<uint16_t>((std::min<uint32_t>(level, 65535) * BufferWidth) >> 16);
}

uint16_t RotoRings2Split(uint32_t level)
{
    return static_cast<uint16_t>(((65535 - std::min<uint32_t>(level, 65535)) * BufferWidth) >> 16);
}

void SplitRotoRings2(Region* left, Region* right, uint32_t level)
{
    const uint16_t splitX = RotoRings2Split(level);
    RegionColumns(left, 0, splitX);
    RegionColumns(right, splitX, BufferWidth);
    Rotozoom(left);
    RingsSum2(right);
}

void SplitRotoRings3(Region* left, Region* right, uint32_t level)
{
    const uint16_t splitX = RotoRings3Split(level);
    RegionColumns(left, 0, splitX);
    RegionColumns(right, splitX, BufferWidth);
    Rotozoom(left);
    RingsXor3(right, 1);
    // Rows 16..31, 48..63, ...: the two halves trade sides.
    for (uint16_t y = 0; y < BufferHeight; ++y)
        if (y & 16)
            ShiftRow(y, splitX);
}
