#include <algorithm>
#include <cmath>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/motion.h"
#include "frame/tables.h"

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
    // Only the low 7 bits of depth + depthShift and angle + angleShift count: both wrap at 128,
    // which the repeated wide texture does by itself. One addition turns a walk-table entry into
    // its texel's index; entries of depth 0 or 1 land among the black texels. The walk table is
    // row-major, so a buffer row reads one run of consecutive entries.
    const uint32_t shift = (static_cast<uint32_t>(shifts.depthShift) & 127) << 8 | (static_cast<uint32_t>(shifts.angleShift) & 127);

    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride;
    for (int y = r->y0; y < r->y1; ++y, row += r->stride) {
        const int lookedUpEnd = y < tableEndY ? tableEndX : r->x0;
        const uint32_t* walk = TunnelWalkTable + size_t(y + shifts.offsetY) * TunnelTableColumns + shifts.offsetX;
        for (int x = r->x0; x < lookedUpEnd; ++x)
            row[x] = TunnelTextureWide[walk[x] + shift];
        std::fill(row + lookedUpEnd, row + r->x1, uint16_t{0});
    }
}
