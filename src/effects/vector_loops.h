// The effects' vector passes: one Highway source (vector_loops.cpp) compiled for every instruction
// set the program may meet, run only while PlainLoops() is false. Each draws exactly the pixels of
// the plain loop beside its effect. Main thread, called by the effects alone.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "frame/frame.h"

// A stretch of a ring row over which each centre's table column only rises or only falls.
struct RingRun {
    int32_t start, length;          // columns from the rectangle's left edge
    std::array<int32_t, 3> column;  // each centre's table column at the run's first pixel
    unsigned falling;               // bit k: centre k's column falls along the run
};

// One rings pass: the same runs for every row from y0 to y1 (exclusive).
struct RingPass {
    const uint16_t* table;  // the distance table, `stride` entries a row
    uint16_t* firstRow;     // the rectangle's first pixel
    int32_t y0, y1, stride;
    std::array<uint16_t, 3> centreY;
    std::span<const RingRun> runs;
};

// Offset of the table row for the vertical term |y - cy|, clamped to the table's last row.
inline size_t RingTableRow(int32_t y, uint16_t cy, int32_t stride)
{
    return static_cast<size_t>(std::min(std::abs(y - cy), BufferHeight - 1) * stride);
}

// Bit 4 of the three centres' distances XORed: odd is RingDark, even RingLight or, overlaying, left.
void RingsXor3Vector(const RingPass* pass, bool overlay);
// Bit 3 of the two centres' distances summed: set is RingDark, clear RingLight.
void RingsSum2Vector(const RingPass* pass);

// The rotozoomer's walk over the rectangle, from its rearranged 256 x 256 texture, texel (v, u) at
// v << 8 | (u ^ (v >> 3 & 7) << 5); the steps are ComputeRotoSteps's (effects/motion.h).
struct RotoPass {
    uint16_t* firstRow;
    int32_t width, rows, stride;
    int32_t startU, startV, pixelU, pixelV, rowU, rowV;
    const uint16_t* texture;
};
void RotozoomVector(const RotoPass* pass);

// Tunnel rows: pixel x of row y from walk entry x of walk row y, plus `shift`, as a texel of the
// 128 x 128 texture; entries marked 1 << 15 take the black texel that follows it.
constexpr uint16_t TunnelBlackTexel = 128 * 128;
constexpr uint16_t TunnelTexelOf(uint16_t entry, uint16_t shift)
{
    const uint32_t sum = uint32_t{entry} + shift;
    return entry & 0x8000 ? TunnelBlackTexel : static_cast<uint16_t>((sum & 0x7F00) >> 1 | (sum & 0x7F));
}
struct TunnelPass {
    uint16_t* firstRow;
    const uint16_t* firstWalk;
    int32_t width, rows, stride, walkStride;
    uint16_t shift;
    const uint16_t* texture;
};
void TunnelVector(const TunnelPass* pass);

// The picture fade over n pixels, n at least FadeVectorLeast: each channel times `fraction`, the
// high 16 bits kept.
constexpr size_t FadeVectorLeast = 8;
void FadeVector(const uint16_t* picture, uint16_t* out, size_t n, uint16_t fraction);
