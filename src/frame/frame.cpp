#include "frame/frame.h"

#include <cstdlib>
#include <cstring>

uint32_t ElapsedMillis = 0;
uint32_t ElapsedSeconds = 0;
uint16_t* Framebuffer = nullptr;
void* (*AllocateMemory)(size_t bytes) = std::malloc;

static Region* SetRegion(Region* r, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1)
{
    r->seconds = ElapsedSeconds;
    r->millis = ElapsedMillis;
    r->x0 = x0;
    r->y0 = y0;
    r->x1 = x1;
    r->y1 = y1;
    r->stride = BufferWidth;
    r->height = BufferHeight;
    r->centerX = BufferCenterX;
    r->centerY = BufferCenterY;
    return r;
}

Region* RegionFull(Region* r) { return SetRegion(r, 0, 0, BufferWidth, BufferHeight); }
Region* RegionUpperLeft(Region* r) { return SetRegion(r, 0, 0, BufferCenterX, BufferCenterY); }
Region* RegionUpperRight(Region* r) { return SetRegion(r, BufferCenterX, 0, BufferWidth, BufferCenterY); }
Region* RegionLowerLeft(Region* r) { return SetRegion(r, 0, BufferCenterY, BufferCenterX, BufferHeight); }
Region* RegionLowerRight(Region* r) { return SetRegion(r, BufferCenterX, BufferCenterY, BufferWidth, BufferHeight); }
Region* RegionRightHalf(Region* r) { return SetRegion(r, BufferCenterX, 0, BufferWidth, BufferHeight); }
Region* RegionColumns(Region* r, uint16_t x0, uint16_t x1) { return SetRegion(r, x0, 0, x1, BufferHeight); }

// Two pixels per 32-bit store, one 16-bit store for an odd tail. memcpy keeps the stores free of
// alignment and aliasing assumptions; the compiler turns them into plain (vector) stores.
static void FillRun(uint16_t* p, size_t n, uint16_t col)
{
    const uint32_t pair = (uint32_t{col} << 16) | col;
    for (size_t i = 0; i < n / 2; ++i, p += 2)
        std::memcpy(p, &pair, sizeof pair);
    if (n & 1)
        *p = col;
}

void FillScreen(uint32_t colour)
{
    FillRun(Framebuffer, BufferPixels, static_cast<uint16_t>(colour));
}

void ClearRegion(const Region* r)
{
    if (r->y0 >= r->y1 || r->x0 >= r->x1)
        return;
    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride + r->x0;
    for (unsigned y = r->y0; y < r->y1; ++y, row += r->stride)
        FillRun(row, size_t{r->x1} - r->x0, 0);
}
