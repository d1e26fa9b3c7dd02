#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/motion.h"
#include "effects/tables.h"
#include "effects/loops.h"
#include "effects/vector_loops.h"

uint16_t TunnelWalkTable[TunnelTableRows * TunnelTableColumns];
// TunnelTexture and one black texel after it, for the entries marked black.
static uint16_t TunnelTexels[TunnelBlackTexel + 1];

// One turn scaled to just under 128 units: 128 / (2 * 3.1416).
constexpr double AngleScale = 20.371785077667433;

static int32_t AngleOf(int64_t dx, int64_t dy)
{
    return static_cast<int32_t>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * AngleScale);
}

uint16_t TunnelAngleAt(const Region* r, int x, int y)
{
    return static_cast<uint16_t>(AngleOf(x - int64_t{r->centerX}, y - int64_t{r->centerY}));
}

uint16_t TunnelDepthAt(const Region* r, int x, int y)
{
    const int64_t dx = x - int64_t{r->centerX}, dy = y - int64_t{r->centerY};
    const int64_t s = dx * dx + dy * dy;
    return s == 0 ? 0 : static_cast<uint16_t>(static_cast<int32_t>(4096.0 / std::sqrt(static_cast<double>(s))) & 127);
}

// Building the walk table takes no arc tangent and no square root per entry, yet gives exactly
// the entries of TunnelAngleAt and TunnelDepthAt:
// - The angle of (dx, -a) is minus that of (dx, a) (atan2 is odd in y), so a row below the
//   centre is the mirror row above it with the angle negated.
// - Above the centre (a > 0) the angle falls as dx grows, and its scaled integer part k changes
//   where the angle crosses k / AngleScale: the walk keeps k and tests the point against the two
//   boundary directions around it with a cross product. A point within a hair of a boundary,
//   where rounding could decide, takes the arc tangent itself.
// - trunc(4096 / sqrt(s)) is the largest q with q^2 * s <= 2^24: in doubles too, because 4096 /
//   sqrt(s) is either a whole number, computed exactly, or further from one than the rounding
//   reaches. Along a row q rises and falls by whole-number steps.
constexpr int AngleSteps = 64;  // k = 0..63 above the centre
struct Boundaries {
    std::array<double, AngleSteps + 1> cosine, sine;  // direction of angle k / AngleScale
};
constexpr double BoundaryMargin = 1e-6;

static Boundaries MakeBoundaries()
{
    Boundaries b;
    for (int k = 0; k <= AngleSteps; ++k) {
        b.cosine[static_cast<size_t>(k)] = std::cos(k / AngleScale);
        b.sine[static_cast<size_t>(k)] = std::sin(k / AngleScale);
    }
    return b;
}

// Positive when (dx, a) lies anticlockwise of boundary k.
static double Side(const Boundaries& b, int k, double dx, double a)
{
    return b.cosine[static_cast<size_t>(k)] * a - b.sine[static_cast<size_t>(k)] * dx;
}

// The depth field and angle of one table row at height a = |dy|, for dx = firstDx, firstDx + 1, ...
static void DepthAndAngleOfRow(const Boundaries& b, int64_t firstDx, int64_t a, uint16_t* depth, int32_t* angle)
{
    constexpr uint64_t DepthLimit = uint64_t{1} << 24;  // 4096^2
    int32_t k = a > 0 ? AngleOf(firstDx, a) : 0;
    uint64_t q = 0;
    for (int x = 0; x < TunnelTableColumns; ++x) {
        const int64_t dx = firstDx + x;
        const uint64_t s = static_cast<uint64_t>(dx * dx + a * a);
        if (s == 0) {
            depth[x] = 0;
        } else {
            while ((q + 1) * (q + 1) * s <= DepthLimit)
                ++q;
            while (q * q * s > DepthLimit)
                --q;
            depth[x] = static_cast<uint16_t>(q & 127);
        }
        if (a == 0) {
            angle[x] = AngleOf(dx, 0);
            continue;
        }
        const double fx = static_cast<double>(dx), fa = static_cast<double>(a);
        while (k > 0 && Side(b, k, fx, fa) < 0)
            --k;
        while (k < AngleSteps - 1 && Side(b, k + 1, fx, fa) >= 0)
            ++k;
        if (std::abs(Side(b, k, fx, fa)) < BoundaryMargin || std::abs(Side(b, k + 1, fx, fa)) < BoundaryMargin)
            k = AngleOf(dx, a);
        angle[x] = k;
    }
}

void BuildTunnelTables(const Region* r)
{
    const Boundaries b = MakeBoundaries();
    const int64_t cx = r->centerX, cy = r->centerY;
    uint16_t depth[TunnelTableColumns];
    int32_t angle[TunnelTableColumns];
    for (int y = 0; y < TunnelTableRows; ++y) {
        const int64_t dy = y - cy;
        // A row below the centre whose mirror above was built copies it with the angle negated.
        const int64_t mirror = cy - dy;
        uint16_t* row = TunnelWalkTable + size_t(y) * TunnelTableColumns;
        if (dy > 0 && mirror >= 0 && mirror < y) {
            const uint16_t* above = TunnelWalkTable + size_t(mirror) * TunnelTableColumns;
            for (int x = 0; x < TunnelTableColumns; ++x)
                row[x] = static_cast<uint16_t>((above[x] & ~127u) | ((0u - above[x]) & 127u));
            continue;
        }
        DepthAndAngleOfRow(b, -cx, dy < 0 ? -dy : dy, depth, angle);
        for (int x = 0; x < TunnelTableColumns; ++x) {
            const int32_t a = dy < 0 ? -angle[x] : angle[x];
            const uint32_t d = depth[x], black = d <= 1;
            row[x] = static_cast<uint16_t>(black << 15 | d << 8 | (static_cast<uint32_t>(a) & 127u));
        }
    }
    std::copy(TunnelTexture, TunnelTexture + TunnelBlackTexel, TunnelTexels);
    TunnelTexels[TunnelBlackTexel] = 0;
}

void ComputeTunnelShifts(const Region* r, TunnelShifts* shifts)
{
    const double m = static_cast<double>(r->millis);
    // millis * 0.1 and millis * 0.01, truncated, are exactly these integer quotients.
    shifts->depthShift = static_cast<int32_t>(r->millis / 10);
    shifts->angleShift = static_cast<int32_t>(r->millis / 100);
    // The window slides over the tables on two sines, 0..centerX and 0..centerY; truncated.
    shifts->offsetX = static_cast<int32_t>(std::sin(m * 0.001) * r->centerX * 0.5 + (r->centerX >> 1));
    shifts->offsetY = static_cast<int32_t>(std::sin(m * 0.002) * r->centerY * 0.5 + (r->centerY >> 1));
}

// n pixels (none when n <= 0) from n walk-table entries.
static void WalkRow(uint16_t* out, const uint16_t* walk, int n, uint16_t shift)
{
    for (int x = 0; x < n; ++x)
        out[x] = TunnelTexels[TunnelTexelOf(walk[x], shift)];
}

void Tunnel(const Region* r)
{
    if (r->x0 >= r->x1 || r->y0 >= r->y1)
        return;
    TunnelShifts shifts;
    ComputeTunnelShifts(r, &shifts);

    // Pixels whose look-up would fall past the tables' far edges are black. The standard buffer
    // and centre never get there (x + offsetX <= 359, y + offsetY <= 479); a larger centre could.
    const int tableEndX = std::clamp(TunnelTableColumns - shifts.offsetX, int{r->x0}, int{r->x1});
    const int tableEndY = std::clamp(TunnelTableRows - shifts.offsetY, int{r->y0}, int{r->y1});
    // Only the low 7 bits of depth + depthShift and angle + angleShift count: both wrap at 128.
    // The walk table is row-major, so a buffer row reads one run of consecutive entries.
    const uint16_t shift = static_cast<uint16_t>((static_cast<uint32_t>(shifts.depthShift) & 127) << 8 | (static_cast<uint32_t>(shifts.angleShift) & 127));

    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride;
    if (!PlainLoops() && tableEndY > r->y0 && tableEndX > r->x0) {
        const TunnelPass pass = {row + r->x0, TunnelWalkTable + size_t(r->y0 + shifts.offsetY) * TunnelTableColumns + shifts.offsetX + r->x0,
                                 tableEndX - r->x0, tableEndY - r->y0, r->stride, TunnelTableColumns, shift, TunnelTexels};
        TunnelVector(&pass);
    }
    for (int y = r->y0; y < r->y1; ++y, row += r->stride) {
        const int lookedUpEnd = y < tableEndY ? tableEndX : r->x0;
        const uint16_t* walk = TunnelWalkTable + size_t(y + shifts.offsetY) * TunnelTableColumns + shifts.offsetX;
        if (PlainLoops())
            WalkRow(row + r->x0, walk + r->x0, lookedUpEnd - r->x0, shift);
        std::fill(row + lookedUpEnd, row + r->x1, uint16_t{0});
    }
}
