// The picture fade and the two iris masks. All three cover the whole buffer and read only the
// record's geometry; pixel k of a picture always lands on pixel k of the buffer.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/loops.h"
#include "effects/vector_loops.h"
#include "frame/tables.h"

// Rows the routines walk: the record's height, but never past the end of the 240 x 320 pictures.
static uint32_t RowsToWalk(const Region* r)
{
    if (r->stride == 0)
        return 0;
    return std::min<uint32_t>(r->height, BufferPixels / r->stride);
}

void FadePicture(const Region* r, uint32_t level)
{
    // A level above the fraction saturates to 65535 rather than spill one channel into the next.
    // Written as an OR, not a min, so that the compiler still sees a 16-bit operand below and
    // makes one unsigned high multiply per 8 channels.
    const uint16_t fraction = static_cast<uint16_t>(level | (0u - static_cast<uint32_t>(level > 0xFFFF)));
    const size_t n = size_t{r->stride} * RowsToWalk(r);
    const uint16_t* src = WarningPicture;
    uint16_t* dst = Framebuffer;
    if (!PlainLoops() && n >= FadeVectorLeast) {
        FadeVector(src, dst, n, fraction);
        return;
    }
    // Each channel times the fraction, keeping the high 16 bits: truncates, never brightens.
    for (size_t k = 0; k < n; ++k) {
        const uint16_t p = src[k];
        const uint16_t red = static_cast<uint16_t>((uint32_t{static_cast<uint16_t>(p >> 11)} * fraction) >> 16);
        const uint16_t green = static_cast<uint16_t>((uint32_t{static_cast<uint16_t>((p >> 5) & 63)} * fraction) >> 16);
        const uint16_t blue = static_cast<uint16_t>((uint32_t{static_cast<uint16_t>(p & 31)} * fraction) >> 16);
        dst[k] = PackLevels565(red, green, blue);
    }
}

// Both masks: a pixel at integer distance d from the centre is inside the iris when d + 3 is
// below (stride * level) >> 16 (16-bit compare). Along a row the distance never falls as |x - cx|
// grows, so the inside is one run of columns around the centre column, found per row by a binary
// search of the distance-table row; the masks then copy whole runs.
static void DrawIris(const Region* r, uint32_t level, const uint16_t* picture, bool inside)
{
    const uint32_t stride = r->stride;
    const uint32_t rows = RowsToWalk(r);
    if (rows == 0)
        return;
    // (stride * level) >> 16 in 32-bit arithmetic, kept as 16 bits: 0..239 for the standard stride.
    const uint16_t threshold = static_cast<uint16_t>((stride * level) >> 16);
    // A centre column past the row is pulled onto its last column, and a row term past the table
    // reads its last row, so every look-up stays in the table (the program's centre never needs it).
    const int32_t cx = std::min<int32_t>(r->centerX, static_cast<int32_t>(stride) - 1);
    const int32_t cy = r->centerY;
    const int32_t lastTableRow = BufferHeight - 1;
    const int32_t reach = std::max<int32_t>(cx, static_cast<int32_t>(stride) - 1 - cx);

    const auto isInside = [threshold](uint16_t d) { return static_cast<uint16_t>(d + 3) < threshold; };
    size_t offset = 0;
    for (int32_t y = 0; y < static_cast<int32_t>(rows); ++y, offset += stride) {
        const int32_t dy = std::min(std::abs(y - cy), lastTableRow);
        const uint16_t* distances = DistanceTable + static_cast<size_t>(dy) * stride;
        // halfWidth: the first |x - cx| that is outside; columns cx - halfWidth + 1 .. cx +
        // halfWidth - 1 are inside.
        const int32_t halfWidth =
            static_cast<int32_t>(std::partition_point(distances, distances + reach + 1, isInside) - distances);
        int32_t lo = cx, hi = cx;
        if (halfWidth > 0) {
            lo = std::max(cx - halfWidth + 1, 0);
            hi = std::min(cx + halfWidth, static_cast<int32_t>(stride));
        }
        uint16_t* dst = Framebuffer + offset;
        const uint16_t* src = picture + offset;
        if (inside) {
            std::memcpy(dst + lo, src + lo, sizeof(uint16_t) * static_cast<size_t>(hi - lo));
        } else {
            std::memcpy(dst, src, sizeof(uint16_t) * static_cast<size_t>(lo));
            std::memcpy(dst + hi, src + hi, sizeof(uint16_t) * (stride - static_cast<size_t>(hi)));
        }
    }
}

void IrisCover(const Region* r, uint32_t level)
{
    DrawIris(r, level, LogoPicture, false);
}

void IrisReveal(const Region* r, uint32_t level)
{
    DrawIris(r, level, ScrollerPicture, true);
}
