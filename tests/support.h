// Shared test helpers: a frame buffer owned by the test, and the tables built once per process.
#pragma once
#include <cstdint>
#include <vector>

#include "frame/frame.h"

// Points Framebuffer at a fresh buffer filled with `fill` for the test's lifetime.
struct ScopedFramebuffer {
    std::vector<uint16_t> pixels;
    explicit ScopedFramebuffer(uint16_t fill = 0) : pixels(BufferPixels, fill) { Framebuffer = pixels.data(); }
    ~ScopedFramebuffer() { Framebuffer = nullptr; }
    uint16_t At(int x, int y) const { return pixels[size_t(y) * BufferWidth + x]; }
};

// A record for the given rectangle with the standard geometry and the given time.
inline Region MakeRegion(uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1, uint32_t millis = 0)
{
    return Region{millis / 1000, millis, x0, y0, x1, y1, BufferWidth, BufferHeight, BufferCenterX, BufferCenterY};
}

// Puts back ScrollerPicture as the program was built with it, before any cut-out or scroller ran.
void RestoreScrollerPicture();
// Builds the lookup tables, the font and the encoded text once for the whole test binary.
void EnsureTables();
// Restores ScrollerPicture and builds everything again, for tests that ran the driver or the
// scroller and so left the picture changed.
void RebuildTables();
