// Interference rings: the wandering centres, the colours, and the pixel pass against a plain
// per-pixel version over many times and rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects/effects.h"
#include "effects/rings.h"
#include "frame/tables.h"
#include "support.h"

namespace {

// The centres straight from their formula: 16-bit sums of truncated swings.
std::vector<RingCentre> ReferenceCentres(uint32_t millis, int count, double rate, double a0, double aStep, double b0,
                                         double bStep, int margin, int spread)
{
    const double m = millis;
    std::vector<RingCentre> centres;
    for (int i = 0; i < count; ++i) {
        const int dx = int((120 - margin) * std::sin(std::sin(i + m * rate) * (m / (a0 - aStep * i))));
        const int dy = int((160 - margin) * std::cos(i + m / (b0 - bStep * i)));
        centres.push_back({uint16_t(120 + dx), uint16_t(160 + spread * i + dy)});
    }
    return centres;
}

// The pixel pass as plainly as it can be written: per pixel and per centre, take |h|, step h
// down, read the table. The row term is clamped to the table's last row.
template <size_t N, typename Paint>
void ReferencePass(const Region& r, const std::array<RingCentre, N>& c, const uint16_t* table,
                   std::vector<uint16_t>& pixels, Paint paint)
{
    for (int y = r.y0; y < r.y1; ++y) {
        int32_t h[N];
        size_t v[N];
        for (size_t k = 0; k < N; ++k) {
            h[k] = r.stride - c[k].x;
            v[k] = size_t(std::min(std::abs(y - c[k].y), 319)) * r.stride;
        }
        for (int x = r.x0; x < r.x1; ++x) {
            uint16_t entries[N];
            for (size_t k = 0; k < N; ++k) {
                entries[k] = table[v[k] + std::abs(h[k])];
                --h[k];
            }
            paint(entries, pixels[size_t(y) * r.stride + x]);
        }
    }
}

void ReferenceRingsXor3(const Region& r, uint16_t flag, std::vector<uint16_t>& pixels)
{
    ReferencePass(r, RingsXor3Centres(&r), RingTable, pixels, [flag](const uint16_t* e, uint16_t& p) {
        const uint16_t acc = e[0] ^ e[1] ^ e[2];
        if (acc != 0)
            p = RingDark;
        else if (flag != 0)
            p = RingLight;
    });
}

void ReferenceRingsSum2(const Region& r, std::vector<uint16_t>& pixels)
{
    ReferencePass(r, RingsSum2Centres(&r), DistanceTable, pixels, [](const uint16_t* e, uint16_t& p) {
        p = uint16_t(e[0] + e[1]) & 8 ? RingDark : RingLight;
    });
}

// The rectangles the program hands the rings, and a few more shapes.
const Rect Rectangles[] = {
    {0, 0, 240, 320},                                        // whole buffer
    {0, 0, 120, 160}, {120, 0, 240, 160}, {0, 160, 120, 320}, {120, 160, 240, 320},  // quadrants
    {120, 0, 240, 320},                                      // right half
    {1, 0, 240, 320}, {3, 0, 240, 320}, {119, 0, 240, 320}, {236, 0, 240, 320},  // split screens
    {239, 0, 240, 320},                                      // the narrowest split
    {37, 101, 38, 102}, {5, 7, 211, 9},                      // one pixel; two odd rows
    {120, 0, 120, 320}, {0, 160, 240, 160}, {200, 10, 100, 20},  // empty: nothing is drawn
};

const uint32_t Times[] = {0, 999, 10000, 40320, 61441, 73000, 123457, 299999};

// Draws both ring effects over the record and compares each with its plain reference.
void ExpectBothMatchTheirReferences(const Region& r, const ScopedFramebuffer& fb, std::vector<uint16_t>& expected)
{
    RingsXor3(&r, 1);
    ReferenceRingsXor3(r, 1, expected);
    ASSERT_EQ(fb.pixels, expected) << "RingsXor3, millis " << r.millis;
    RingsSum2(&r);
    ReferenceRingsSum2(r, expected);
    ASSERT_EQ(fb.pixels, expected) << "RingsSum2, millis " << r.millis;
}

}  // namespace

// The pixel passes, once per kind of loop.
using RingLoops = EffectLoopsTest;
EFFECT_LOOPS_SUITE(RingLoops);

TEST(RingCentres, MatchTheWorkedValuesAtZeroAndTenSeconds)
{
    const Region at0 = MakeRegion(0, 0, 240, 320, 0);
    const Region at10 = MakeRegion(0, 0, 240, 320, 10000);
    const auto x0 = RingsXor3Centres(&at0), x10 = RingsXor3Centres(&at10);
    const auto s0 = RingsSum2Centres(&at0), s10 = RingsSum2Centres(&at10);
    const int xor0[3][2] = {{120, 290}, {120, 245}, {120, 136}};
    // The first product is -17.14..., which truncates toward zero: 103, not 102.
    const int xor10[3][2] = {{103, 33}, {188, 299}, {52, 299}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(x0[k].x, xor0[k][0]);
        EXPECT_EQ(x0[k].y, xor0[k][1]);
        EXPECT_EQ(x10[k].x, xor10[k][0]);
        EXPECT_EQ(x10[k].y, xor10[k][1]);
    }
    const int sum0[2][2] = {{120, 270}, {120, 229}};
    const int sum10[2][2] = {{158, 191}, {188, 275}};
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(s0[k].x, sum0[k][0]);
        EXPECT_EQ(s0[k].y, sum0[k][1]);
        EXPECT_EQ(s10[k].x, sum10[k][0]);
        EXPECT_EQ(s10[k].y, sum10[k][1]);
    }
}

TEST(RingCentres, FollowTheirFormulaAndStayInTheirBandsForTheWholeShow)
{
    for (uint32_t m = 0; m <= 300000; m += 97) {
        const Region r = MakeRegion(0, 0, 240, 320, m);
        const auto x = RingsXor3Centres(&r);
        const auto s = RingsSum2Centres(&r);
        const auto xr = ReferenceCentres(m, 3, 0.00015625, 3000, 600, 3000, 1000, 30, 15);
        const auto sr = ReferenceCentres(m, 2, 0.0004166666666666667, 2300, 300, 2000, 200, 50, 10);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(x[k].x, xr[k].x) << "millis " << m << " centre " << k;
            ASSERT_EQ(x[k].y, xr[k].y) << "millis " << m << " centre " << k;
            ASSERT_GE(x[k].x, 30);
            ASSERT_LE(x[k].x, 210);
            ASSERT_LE(x[k].y, 320);
        }
        for (int k = 0; k < 2; ++k) {
            ASSERT_EQ(s[k].x, sr[k].x) << "millis " << m << " centre " << k;
            ASSERT_EQ(s[k].y, sr[k].y) << "millis " << m << " centre " << k;
            ASSERT_GE(s[k].x, 50);
            ASSERT_LE(s[k].x, 190);
        }
    }
}

TEST_P(RingLoops, PixelAtTheOriginIsDarkForBothFormsAtTimeZero)
{
    EnsureTables();
    const Region r = MakeRegion(0, 0, 240, 320, 0);
    // The three ring bits there are all 16, and the two distances add up to 553 (bit 3 set).
    const auto x = RingsXor3Centres(&r);
    for (const RingCentre& c : x)
        EXPECT_EQ(RingTable[size_t(c.y) * 240 + (240 - c.x)], 16);
    const auto s = RingsSum2Centres(&r);
    EXPECT_EQ(DistanceTable[size_t(s[0].y) * 240 + (240 - s[0].x)] + DistanceTable[size_t(s[1].y) * 240 + (240 - s[1].x)], 553);

    ScopedFramebuffer fb(0x1234);
    RingsXor3(&r, 1);
    EXPECT_EQ(fb.At(0, 0), 15053);
    RingsSum2(&r);
    EXPECT_EQ(fb.At(0, 0), 15053);
    EXPECT_EQ(RingLight, 31891);
    EXPECT_EQ(RingDark, 15053);
}

// Every pixel is compared, so this also checks that nothing outside the rectangle is touched.
TEST_P(RingLoops, PixelPassMatchesThePlainPassOverTimesAndRectangles)
{
    EnsureTables();
    const std::vector<uint16_t> start = HashPattern(7);
    ScopedFramebuffer fb;
    std::vector<uint16_t> expected;
    for (const Rect& rect : Rectangles)
        for (uint32_t m : Times) {
            const Region r = MakeRegion(rect.x0, rect.y0, rect.x1, rect.y1, m);
            for (int form = 0; form < 3; ++form) {
                fb.pixels = start;
                expected = start;
                if (form == 2) {
                    RingsSum2(&r);
                    ReferenceRingsSum2(r, expected);
                } else {
                    RingsXor3(&r, uint16_t(form));
                    ReferenceRingsXor3(r, uint16_t(form), expected);
                }
                ASSERT_EQ(fb.pixels, expected) << "rect " << rect.x0 << "," << rect.y0 << "-" << rect.x1 << ","
                                               << rect.y1 << " millis " << m << " form " << form;
            }
        }
}

TEST_P(RingLoops, PixelPassMatchesThePlainPassEveryFrameOfOneOrder)
{
    // A frame every ~16 ms through an order of the split screens: centres cross every column.
    EnsureTables();
    ScopedFramebuffer fb;
    std::vector<uint16_t> expected(BufferPixels);
    for (uint32_t m = 38400; m < 42240; m += 61) {
        const Region r = MakeRegion(uint16_t(m % 240), 0, 240, 320, m);
        ASSERT_NO_FATAL_FAILURE(ExpectBothMatchTheirReferences(r, fb, expected));
    }
}

TEST_P(RingLoops, Xor3OverlayTurnsOnlyTheOddParityPixelsDark)
{
    EnsureTables();
    const std::vector<uint16_t> picture = HashPattern(7);
    const Region r = MakeRegion(0, 0, 240, 320, 61441);
    ScopedFramebuffer painted;
    RingsXor3(&r, 1);
    const std::vector<uint16_t> parity = painted.pixels;
    ScopedFramebuffer overlaid;
    overlaid.pixels = picture;
    RingsXor3(&r, 0);
    int dark = 0;
    for (size_t k = 0; k < BufferPixels; ++k) {
        ASSERT_TRUE(parity[k] == RingDark || parity[k] == RingLight);
        if (parity[k] == RingDark) {
            ASSERT_EQ(overlaid.pixels[k], RingDark);
            ++dark;
        } else {
            ASSERT_EQ(overlaid.pixels[k], picture[k]);
        }
    }
    EXPECT_GT(dark, 0);
    EXPECT_LT(dark, int(BufferPixels));
}

TEST_P(RingLoops, RectanglesQuadrantsSideBySideShowTheSameColumnsAndRowsContinueTheBuffer)
{
    EnsureTables();
    for (uint32_t m : {0u, 10000u, 61441u}) {
        for (int form = 0; form < 2; ++form) {
            const auto draw = [form](const Region& r) { form == 0 ? RingsXor3(&r, 1) : RingsSum2(&r); };
            ScopedFramebuffer whole;
            draw(MakeRegion(0, 0, 240, 320, m));
            const std::vector<uint16_t> full = whole.pixels;
            ScopedFramebuffer quads;
            draw(MakeRegion(0, 0, 120, 160, m));
            draw(MakeRegion(120, 0, 240, 160, m));
            draw(MakeRegion(0, 160, 120, 320, m));
            for (int y = 0; y < 320; ++y)
                for (int x = 0; x < 120; ++x) {
                    ASSERT_EQ(quads.At(x, y), full[size_t(y) * 240 + x]) << x << "," << y;
                    if (y < 160) {
                        ASSERT_EQ(quads.At(x + 120, y), quads.At(x, y)) << x << "," << y;
                    }
                }
        }
    }
}

TEST_P(RingLoops, RectanglesOneColumnRegionDrawsTheFirstColumnOfAnyRegion)
{
    EnsureTables();
    for (uint32_t m : {0u, 10000u, 40320u}) {
        const Region whole = MakeRegion(0, 0, 240, 320, m);
        const Region column = MakeRegion(239, 0, 240, 320, m);
        ScopedFramebuffer fb;
        RingsXor3(&whole, 1);
        const std::vector<uint16_t> xorFull = fb.pixels;
        RingsSum2(&whole);
        const std::vector<uint16_t> sumFull = fb.pixels;
        RingsXor3(&column, 1);
        for (int y = 0; y < 320; ++y)
            ASSERT_EQ(fb.At(239, y), xorFull[size_t(y) * 240]) << "row " << y;
        RingsSum2(&column);
        for (int y = 0; y < 320; ++y)
            ASSERT_EQ(fb.At(239, y), sumFull[size_t(y) * 240]) << "row " << y;
    }
}

TEST_P(RingLoops, SafetyRowTermsPastTheTableAreClampedToItsLastRow)
{
    // A centre row of 200 swings the third centre down to row 400, far past the table.
    EnsureTables();
    ScopedFramebuffer fb;
    std::vector<uint16_t> expected(BufferPixels);
    bool reachedPast = false;
    for (uint32_t m = 0; m < 20000; m += 500) {
        Region r = MakeRegion(0, 0, 240, 320, m);
        r.centerY = 200;
        for (const RingCentre& c : RingsXor3Centres(&r))
            reachedPast |= c.y > 319;
        ASSERT_NO_FATAL_FAILURE(ExpectBothMatchTheirReferences(r, fb, expected));
    }
    EXPECT_TRUE(reachedPast);
}

TEST_P(RingLoops, SafetyCentresFarOffTheRowStillPaintEveryPixelFromTheTable)
{
    // A centre column of 0 wraps the centres to 65506..65535 and 0..30; the column terms must not
    // leave the table (the sanitizer build checks the reads).
    EnsureTables();
    for (uint32_t m = 0; m < 20000; m += 500) {
        Region r = MakeRegion(0, 0, 240, 320, m);
        r.centerX = 0;
        ScopedFramebuffer fb;
        RingsXor3(&r, 1);
        for (uint16_t p : fb.pixels)
            ASSERT_TRUE(p == RingDark || p == RingLight);
        RingsSum2(&r);
        for (uint16_t p : fb.pixels)
            ASSERT_TRUE(p == RingDark || p == RingLight);
    }
}
