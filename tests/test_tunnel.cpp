#include <gtest/gtest.h>

#include <cmath>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/motion.h"
#include "effects/tables.h"
#include "pixel_compare.h"
#include "support.h"

// The tunnel's coordinates of table entry (column, row), about the buffer centre.
static const Region Centred = MakeRegion(0, 0, BufferWidth, BufferHeight);
static uint16_t Depth(int column, int row) { return TunnelDepthAt(&Centred, column, row); }
static uint16_t Angle(int column, int row) { return TunnelAngleAt(&Centred, column, row); }

// The tunnel from its definition, in floating point where the definition is; pixels whose
// look-up lies past the tables are black.
static void ReferenceTunnel(const Region& r, std::vector<uint16_t>& out)
{
    const double m = r.millis;
    const int64_t depthShift = int64_t(m * 0.1), angleShift = int64_t(m * 0.01);
    const int offsetX = int(std::sin(m * 0.001) * r.centerX * 0.5 + (r.centerX >> 1));
    const int offsetY = int(std::sin(m * 0.002) * r.centerY * 0.5 + (r.centerY >> 1));
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            uint16_t& pixel = out[size_t(y) * r.stride + x];
            pixel = 0;
            if (x + offsetX >= TunnelTableColumns || y + offsetY >= TunnelTableRows)
                continue;
            const int64_t d = Depth(x + offsetX, y + offsetY);
            const int64_t a = int16_t(Angle(x + offsetX, y + offsetY));
            if (d > 1)
                pixel = TunnelTexture[((d + depthShift) & 127) * 128 + ((a + angleShift) & 127)];
        }
}

// Finds a pixel of the full buffer whose table entry, with the offsets of `millis`, satisfies pred.
template <typename Pred>
static bool FindPixel(uint32_t millis, Pred pred, int* px, int* py)
{
    const Region whole = MakeRegion(0, 0, 240, 320, millis);
    TunnelShifts s;
    ComputeTunnelShifts(&whole, &s);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            if (pred(x + s.offsetX, y + s.offsetY)) {
                *px = x;
                *py = y;
                return true;
            }
    return false;
}

// The tunnel's pixels, once per kind of loop.
using TunnelTest = EffectLoopsTest;
EFFECT_LOOPS_SUITE(TunnelTest);

TEST(TunnelShifts, FollowTheClock)
{
    const struct { uint32_t millis; int32_t offsetX, offsetY, depth, angle; } cases[] = {
        {0, 60, 80, 0, 0},  // midway, no texture shift: pixel (x, y) shows entry (x + 60, y + 80)
        {9, 60, 81, 0, 0},
        {10, 60, 81, 1, 0},
        {100, 65, 95, 10, 1},
        {785, 102, 159, 78, 7},                   // sin(1.57) just below 1
        {15737023, 17, 160, 1573702, 157370},     // row 319 reads table row 479, the last one
        {31474046, 120, 79, 3147404, 314740},     // column 239 reads table column 359
        {4294967295u, 119, 54, 429496729, 42949672},
    };
    for (const auto& c : cases) {
        const Region r = MakeRegion(0, 0, 240, 320, c.millis);
        TunnelShifts s;
        ComputeTunnelShifts(&r, &s);
        EXPECT_EQ(s.offsetX, c.offsetX) << "millis " << c.millis;
        EXPECT_EQ(s.offsetY, c.offsetY) << "millis " << c.millis;
        EXPECT_EQ(s.depthShift, c.depth) << "millis " << c.millis;
        EXPECT_EQ(s.angleShift, c.angle) << "millis " << c.millis;
    }
}

TEST_P(TunnelTest, DepthZeroOrOneIsBlackWhateverTheShifts)
{
    for (uint32_t millis : {0u, 30u, 1234u, 77777u}) {
        ScopedFramebuffer fb(0xFFFF);
        const Region whole = MakeRegion(0, 0, 240, 320, millis);
        TunnelShifts s;
        ComputeTunnelShifts(&whole, &s);
        Tunnel(&whole);
        int black = 0;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x)
                if (Depth(x + s.offsetX, y + s.offsetY) <= 1) {
                    ASSERT_EQ(fb.At(x, y), 0) << "millis " << millis << " at " << x << ", " << y;
                    ++black;
                }
        EXPECT_GT(black, 0);  // the tunnel's centre is always in view
    }
}

TEST_P(TunnelTest, TextureRowAndColumnWrapAt128)
{
    ScopedFramebuffer fb;
    int x, y;
    // millis 30: depthShift 3, angleShift 0.
    ASSERT_TRUE(FindPixel(30, [](int tx, int ty) { return Depth(tx, ty) == 126; }, &x, &y));
    Region whole = MakeRegion(0, 0, 240, 320, 30);
    TunnelShifts s;
    ComputeTunnelShifts(&whole, &s);
    Tunnel(&whole);
    EXPECT_EQ(fb.At(x, y), TunnelTexture[1 * 128 + (Angle(x + s.offsetX, y + s.offsetY) & 127)]);

    ASSERT_TRUE(FindPixel(0, [](int tx, int ty) { return Angle(tx, ty) == 65535 && Depth(tx, ty) > 1; }, &x, &y));
    whole.millis = 0;
    Tunnel(&whole);
    EXPECT_EQ(fb.At(x, y), TunnelTexture[Depth(x + 60, y + 80) * 128 + 127]);
}

TEST_P(TunnelTest, LowerLeftQuadrantEqualsTheSamePixelsOfAFullCall)
{
    ScopedFramebuffer full(0x1111);
    const Region whole = MakeRegion(0, 0, 240, 320, 51234);
    Tunnel(&whole);
    const std::vector<uint16_t> fullPixels = full.pixels;

    ScopedFramebuffer quarter(0x1111);
    const Region lowerLeft = MakeRegion(0, 160, 120, 320, 51234);
    Tunnel(&lowerLeft);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x) {
            const bool inside = x < 120 && y >= 160;
            ASSERT_EQ(quarter.At(x, y), inside ? fullPixels[size_t(y) * 240 + x] : 0x1111) << x << ", " << y;
        }
}

TEST_P(TunnelTest, EmptyRectangleWritesNothing)
{
    ScopedFramebuffer fb(0x1234);
    const Region rects[] = {MakeRegion(80, 0, 80, 320, 500), MakeRegion(0, 200, 240, 200, 500)};
    for (const Region& r : rects)
        Tunnel(&r);
    EXPECT_EQ(FirstDifference(fb.pixels, std::vector<uint16_t>(BufferPixels, 0x1234)), "");
}

TEST_P(TunnelTest, MatchesTheReferenceOverTimesAndRegions)
{
    // With the far edges of the tables (15737023, 31474046) and the extremes of the clock.
    const uint32_t times[] = {0, 9, 10, 785, 2356, 4712, 40320, 99999, 15737023, 31474046, 4294967295u};
    const Region rects[] = {
        MakeRegion(0, 0, 240, 320), MakeRegion(0, 160, 120, 320), MakeRegion(239, 0, 240, 320),
        MakeRegion(0, 319, 240, 320), MakeRegion(13, 21, 222, 300),
    };
    for (uint32_t t : times)
        for (Region r : rects) {
            r.millis = t;
            ScopedFramebuffer fb(0xABCD);
            std::vector<uint16_t> want(BufferPixels, 0xABCD);
            Tunnel(&r);
            ReferenceTunnel(r, want);
            ASSERT_EQ(FirstDifference(fb.pixels, want), "") << "millis " << t;
        }
}

TEST_P(TunnelTest, ALargerCentreStaysInsideTheTablesAndIsBlackBeyondThem)
{
    for (uint32_t t : {0u, 1571u, 785u}) {
        Region r = MakeRegion(0, 0, 240, 320, t);
        r.centerX = 1000;  // offsetX up to 1000: most look-ups would pass column 639
        r.centerY = 700;
        ScopedFramebuffer fb(0xABCD);
        std::vector<uint16_t> want(BufferPixels, 0xABCD);
        Tunnel(&r);
        ReferenceTunnel(r, want);
        ASSERT_EQ(FirstDifference(fb.pixels, want), "") << "millis " << t;
    }
}
