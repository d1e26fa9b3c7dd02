#include <gtest/gtest.h>

#include "frame/frame.h"
#include "support.h"

static int CountMarked(const std::vector<uint16_t>& pixels, uint16_t mark)
{
    int n = 0;
    for (uint16_t p : pixels)
        n += p == mark;
    return n;
}

// Paints a record's rectangle by hand, so presets are checked without trusting ClearRegion.
static void Paint(std::vector<uint16_t>& pixels, const Region& r, uint16_t mark)
{
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            pixels[size_t(y) * r.stride + x] += mark;
}

TEST(Presets, CoverTheirPixelCounts)
{
    Region r;
    const struct { Region* (*preset)(Region*); int pixels; } cases[] = {
        {RegionFull, 76800}, {RegionUpperLeft, 19200}, {RegionUpperRight, 19200},
        {RegionLowerLeft, 19200}, {RegionLowerRight, 19200}, {RegionRightHalf, 38400},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.preset(&r), &r);
        EXPECT_EQ((r.x1 - r.x0) * (r.y1 - r.y0), c.pixels);
        EXPECT_EQ(r.stride, 240);
        EXPECT_EQ(r.height, 320);
        EXPECT_EQ(r.centerX, 120);
        EXPECT_EQ(r.centerY, 160);
    }
}

TEST(Presets, QuadrantsTileTheBufferWithBoundariesToTheRightAndBelow)
{
    std::vector<uint16_t> pixels(BufferPixels, 0);
    Region r;
    Paint(pixels, *RegionUpperLeft(&r), 1);
    Paint(pixels, *RegionUpperRight(&r), 1);
    Paint(pixels, *RegionLowerLeft(&r), 1);
    Paint(pixels, *RegionLowerRight(&r), 1);
    EXPECT_EQ(CountMarked(pixels, 1), 76800);
    EXPECT_EQ(RegionUpperRight(&r)->x0, 120);
    EXPECT_EQ(RegionLowerLeft(&r)->y0, 160);
}

TEST(Presets, CopyTheClockAsItIsNow)
{
    Region r;
    ElapsedMillis = 0;
    ElapsedSeconds = 0;
    RegionFull(&r);
    EXPECT_EQ(r.millis, 0u);
    EXPECT_EQ(r.seconds, 0u);
    ElapsedMillis = 3000;  // the frozen clock of the wipe: seconds keeps its own value
    ElapsedSeconds = 41;
    RegionLowerRight(&r);
    EXPECT_EQ(r.millis, 3000u);
    EXPECT_EQ(r.seconds, 41u);
    ElapsedMillis = ElapsedSeconds = 0;
}

TEST(Fills, FillScreenUsesOnlyTheLow16BitsOfTheColour)
{
    ScopedFramebuffer fb(0x1234);
    FillScreen(65536 + 0xF800);
    EXPECT_EQ(CountMarked(fb.pixels, 0xF800), 76800);
    FillScreen(0);
    EXPECT_EQ(CountMarked(fb.pixels, 0), 76800);
}

TEST(Fills, ClearRegionWritesExactlyItsRectangle)
{
    const struct { uint16_t x0, y0, x1, y1; } cases[] = {
        {0, 0, 240, 320},      // the whole buffer
        {119, 0, 240, 320},    // odd width: 121 pixels a row, the last column included
        {3, 5, 4, 9},          // one column
        {120, 160, 120, 320},  // empty: x0 == x1
        {0, 200, 240, 200},    // empty: y0 == y1
        {10, 300, 5, 310},     // inverted: nothing
    };
    for (const auto& c : cases) {
        ScopedFramebuffer fb(0xFFFF);
        const Region r = MakeRegion(c.x0, c.y0, c.x1, c.y1);
        ClearRegion(&r);
        for (int y = 0; y < BufferHeight; ++y)
            for (int x = 0; x < BufferWidth; ++x) {
                const bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                ASSERT_EQ(fb.At(x, y), inside ? 0 : 0xFFFF) << "rectangle " << c.x0 << "," << c.y0 << " - "
                                                             << c.x1 << "," << c.y1 << " at " << x << "," << y;
            }
    }
}
