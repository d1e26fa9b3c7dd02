// Copper bars and the copper wipe: where the bars stand, which bar owns which row, and the bars
// against a plain flag-per-row version over many times and rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/copper.h"
#include "effects/effects.h"
#include "support.h"

namespace {

// The bars as plainly as they can be written: claim rows bar by bar with one flag per row, then
// paint every row of the rectangle with its owner's colour or black.
void ReferenceCopperBars(const Region& r, std::vector<uint16_t>& pixels)
{
    bool rowTaken[640] = {};
    uint16_t colour[640] = {};
    const int barRows = r.height / 8;
    for (int i = 0; i < 5; ++i) {
        const double s = std::sin(i * 0.5 - double(r.millis) * 0.002);
        const int amplitude = r.centerY - barRows;
        const int barTop = r.centerY + int(amplitude * s);
        for (int t = 0; t < barRows; ++t) {
            const int row = barTop + t;
            if (row >= r.y0 && row < r.y1 && !rowTaken[row]) {
                rowTaken[row] = true;
                colour[row] = barColours[i];
            }
        }
    }
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            pixels[size_t(y) * r.stride + x] = rowTaken[y] ? colour[y] : 0;
}

// The colour of every row of the whole buffer, or 1 where a row is not one colour.
std::vector<uint16_t> RowColours(const std::vector<uint16_t>& pixels, int x0 = 0, int x1 = 240)
{
    std::vector<uint16_t> rows(320);
    for (int y = 0; y < 320; ++y) {
        rows[y] = pixels[size_t(y) * 240 + x0];
        for (int x = x0; x < x1; ++x)
            if (pixels[size_t(y) * 240 + x] != rows[y])
                rows[y] = 1;
    }
    return rows;
}

// Row colours from a list of owned row spans; every other row black.
struct Span {
    int first, last, bar;
};
std::vector<uint16_t> Expected(std::initializer_list<Span> spans)
{
    std::vector<uint16_t> rows(320, 0);
    for (const Span& s : spans)
        for (int y = s.first; y <= s.last; ++y)
            rows[y] = barColours[s.bar];
    return rows;
}

std::vector<uint32_t> Fields(const Region& r)
{
    return {r.seconds, r.millis, r.x0, r.y0, r.x1, r.y1, r.stride, r.height, r.centerX, r.centerY};
}

}  // namespace

TEST(CopperBars, ColoursPackTheirIntensities)
{
    EXPECT_EQ(barColours[0], 0x8530);
    EXPECT_EQ(barColours[1], 0xD71A);
    EXPECT_EQ(barColours[2], 0xF56F);
    EXPECT_EQ(barColours[3], 0xFFDF);
    EXPECT_EQ(barColours[4], 0x436A);
}

TEST(CopperBars, TopsAndOwnedRowsAtTimeZero)
{
    const Region r = MakeRegion(0, 0, 240, 320, 0);
    EXPECT_EQ(CopperBarTops(&r), (std::array<int32_t, 5>{160, 217, 260, 279, 269}));
    ScopedFramebuffer fb(0x1234);
    CopperBars(&r);
    // Bar 4 hides completely behind bars 2 and 3.
    EXPECT_EQ(RowColours(fb.pixels), Expected({{160, 199, 0}, {217, 256, 1}, {260, 299, 2}, {300, 318, 3}}));
}

TEST(CopperBars, TopsAndOwnedRowsAtTheStillPictureOfTheWipe)
{
    const Region r = MakeRegion(0, 0, 240, 320, 3000);
    EXPECT_EQ(CopperBarTops(&r), (std::array<int32_t, 5>{193, 244, 275, 277, 250}));
    ScopedFramebuffer fb(0x1234);
    CopperBars(&r);
    EXPECT_EQ(RowColours(fb.pixels), Expected({{193, 232, 0}, {244, 283, 1}, {284, 314, 2}, {315, 316, 3}}));
}

TEST(CopperBars, HalfBufferGetsExactlyTheRowsAWholeCallDrawsThere)
{
    for (uint32_t m : {0u, 3000u, 12345u}) {
        ScopedFramebuffer whole;
        const Region all = MakeRegion(0, 0, 240, 320, m);
        CopperBars(&all);
        const std::vector<uint16_t> full = whole.pixels;
        const std::vector<uint16_t> picture = HashPattern(9);
        ScopedFramebuffer half;
        half.pixels = picture;
        const Region lower = MakeRegion(0, 160, 240, 320, m);
        CopperBars(&lower);
        for (size_t k = 0; k < BufferPixels; ++k)
            ASSERT_EQ(half.pixels[k], k < 160 * 240 ? picture[k] : full[k]) << "pixel " << k << " millis " << m;
    }
}

TEST(CopperBars, MatchTheFlagPerRowVersionOverTimesAndRectangles)
{
    const struct { uint16_t x0, y0, x1, y1; } rects[] = {
        {0, 0, 240, 320}, {0, 0, 120, 160}, {120, 160, 240, 320}, {0, 0, 1, 320}, {239, 0, 240, 320},
        {17, 201, 18, 202}, {5, 230, 77, 260}, {0, 0, 0, 320}, {0, 100, 240, 100}, {0, 0, 239, 320},
    };
    const std::vector<uint16_t> picture = HashPattern(9);
    ScopedFramebuffer fb;
    std::vector<uint16_t> expected;
    for (const auto& rect : rects)
        for (uint32_t m = 0; m < 7000; m += 59) {
            const Region r = MakeRegion(rect.x0, rect.y0, rect.x1, rect.y1, m);
            fb.pixels = picture;
            expected = picture;
            CopperBars(&r);
            ReferenceCopperBars(r, expected);
            ASSERT_EQ(fb.pixels, expected)
                << "rect " << rect.x0 << "," << rect.y0 << "-" << rect.x1 << "," << rect.y1 << " millis " << m;
        }
}

TEST(CopperBars, TopsStayBetweenRows40And280ForTheWholeShow)
{
    for (uint32_t m = 0; m < 300000; m += 7) {
        const Region r = MakeRegion(0, 0, 240, 320, m);
        for (int32_t top : CopperBarTops(&r)) {
            ASSERT_GE(top, 40) << "millis " << m;
            ASSERT_LE(top, 280) << "millis " << m;
        }
    }
}

TEST(CopperBars, BuffersUnderEightRowsHaveNoBarsAndAreCleared)
{
    ScopedFramebuffer fb(0x1234);
    Region r = MakeRegion(0, 0, 240, 7, 3000);
    r.height = 7;
    CopperBars(&r);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            ASSERT_EQ(fb.At(x, y), y < 7 ? 0 : 0x1234) << x << "," << y;
}

TEST(CopperBars, BarsAboveTheFirstRowAreClippedNotIndexed)
{
    // A centre row of 10 with the standard height swings the bars between rows -20 and 79.
    const std::vector<uint16_t> picture = HashPattern(9);
    ScopedFramebuffer fb;
    std::vector<uint16_t> expected;
    bool above = false;
    for (uint32_t m = 0; m < 4000; m += 50) {
        Region r = MakeRegion(0, 0, 240, 320, m);
        r.centerY = 10;
        for (int32_t top : CopperBarTops(&r))
            above |= top < 0;
        fb.pixels = picture;
        expected = picture;
        CopperBars(&r);
        ReferenceCopperBars(r, expected);
        ASSERT_EQ(fb.pixels, expected) << "millis " << m;
    }
    EXPECT_TRUE(above);
}

TEST(CopperWipe, LevelZeroClearsTheWholeBuffer)
{
    ElapsedMillis = 3000;
    ElapsedSeconds = 77;
    ScopedFramebuffer fb(0x1234);
    Region left, right;
    CopperWipe(&left, &right, 0);
    EXPECT_EQ(fb.pixels, std::vector<uint16_t>(BufferPixels, 0));
    EXPECT_EQ(left.x1, 0);
    EXPECT_EQ(right.x0, 0);
    ElapsedMillis = ElapsedSeconds = 0;
}

TEST(CopperWipe, BarsLeftOfTheSplitAndBlackRightOfIt)
{
    ElapsedMillis = 3000;
    ElapsedSeconds = 77;
    const Region all = MakeRegion(0, 0, 240, 320, 3000);
    ScopedFramebuffer bars;
    CopperBars(&all);
    const std::vector<uint16_t> full = bars.pixels;
    // 65535 splits at 239, not 240: the last column is cleared. Above the fraction acts as 65535.
    const struct { uint32_t level; int splitX; } cases[] = {{65535, 239}, {32768, 120}, {512, 1}, {70000, 239}};
    for (const auto& c : cases) {
        ScopedFramebuffer fb(0x1234);
        Region left, right;
        CopperWipe(&left, &right, c.level);
        const Region expectLeft = {77, 3000, 0, 0, uint16_t(c.splitX), 320, 240, 320, 120, 160};
        const Region expectRight = {77, 3000, uint16_t(c.splitX), 0, 240, 320, 240, 320, 120, 160};
        EXPECT_EQ(Fields(left), Fields(expectLeft)) << "level " << c.level;
        EXPECT_EQ(Fields(right), Fields(expectRight)) << "level " << c.level;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x)
                ASSERT_EQ(fb.At(x, y), x < c.splitX ? full[size_t(y) * 240 + x] : 0) << x << "," << y;
    }
    ElapsedMillis = ElapsedSeconds = 0;
}
