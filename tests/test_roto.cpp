#include <gtest/gtest.h>

#include <cmath>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/motion.h"
#include "pixel_compare.h"
#include "support.h"

// The rotozoomer from its definition: the accumulators at a pixel are the start values plus whole
// multiples of the steps, computed exactly in 64 bits; bits 8..15 pick the texel.
static void ReferenceRotozoom(const Region& r, std::vector<uint16_t>& out)
{
    if (r.x1 <= r.x0 || r.y1 <= r.y0)
        return;
    const int64_t w = r.x1 - r.x0, h = r.y1 - r.y0;
    const double m = r.millis, a = m * 0.0014285714285714286, b = m * 0.001;
    const int64_t ks = int64_t((std::sin(a) + 0.5) * 65536), kc = int64_t((std::cos(a) + 0.5) * 65536);
    const int64_t u0 = int64_t((std::sin(b) + 2) * 131072), v0 = int64_t((std::cos(b) + 2) * 131072);
    for (int64_t j = 0; j < h; ++j)
        for (int64_t i = 0; i < w; ++i) {
            const int64_t u = u0 + j * (kc / h) + i * (ks / w);
            const int64_t v = v0 - j * (ks / h) + i * (kc / w);
            out[size_t(r.y0 + j) * BufferWidth + size_t(r.x0 + i)] = RotoTexture[((v >> 8) & 255) * 256 + ((u >> 8) & 255)];
        }
}

static void ReferenceShiftRow(std::vector<uint16_t>& pixels, int row, int amount)
{
    std::vector<uint16_t> copy(pixels.begin() + row * BufferWidth, pixels.begin() + (row + 1) * BufferWidth);
    for (int i = 0; i < BufferWidth; ++i)
        pixels[size_t(row) * BufferWidth + i] = copy[size_t(i + amount) % BufferWidth];
}

static uint16_t Texel(int row, int column) { return RotoTexture[row * 256 + column]; }

// A mark per pixel, so that any move or overwrite shows.
static void MarkPixels(std::vector<uint16_t>& pixels)
{
    for (size_t k = 0; k < pixels.size(); ++k)
        pixels[k] = uint16_t(k * 7 + 1);
}

TEST(RotozoomSteps, WorkedValuesAtTimeZero)
{
    const Region whole = MakeRegion(0, 0, 240, 320, 0);
    RotoSteps s;
    ComputeRotoSteps(&whole, &s);
    EXPECT_EQ(s.ks, 32768);
    EXPECT_EQ(s.kc, 98304);
    EXPECT_EQ(s.pixelU, 136);
    EXPECT_EQ(s.pixelV, 409);
    EXPECT_EQ(s.rowU, 307);
    EXPECT_EQ(s.rowV, -102);
    EXPECT_EQ(s.startU, 262144);
    EXPECT_EQ(s.startV, 393216);
}

TEST(RotozoomSteps, HalfTheWidthDoublesOnlyThePixelSteps)
{
    const Region wide = MakeRegion(0, 0, 240, 320, 1000), narrow = MakeRegion(120, 0, 240, 320, 1000);
    RotoSteps w, n;
    ComputeRotoSteps(&wide, &w);
    ComputeRotoSteps(&narrow, &n);
    EXPECT_EQ(w.pixelU, 406);
    EXPECT_EQ(w.pixelV, 175);
    EXPECT_EQ(n.pixelU, 813);
    EXPECT_EQ(n.pixelV, 350);
    for (const RotoSteps& s : {w, n}) {
        EXPECT_EQ(s.rowU, 131);
        EXPECT_EQ(s.rowV, -305);  // -(ks / 320): negated after the division
    }
}

// The rotozoomer's pixels, once per kind of loop.
using RotozoomLoops = EffectLoopsTest;
EFFECT_LOOPS_SUITE(RotozoomLoops);

TEST_P(RotozoomLoops, FirstTexelsAtTimeZeroAndTheWrapToRow255)
{
    EnsureTables();  // the rotozoomer reads its copy of the texture
    ScopedFramebuffer fb;
    const Region whole = MakeRegion(0, 0, 240, 320, 0);
    Rotozoom(&whole);
    EXPECT_EQ(fb.At(0, 0), Texel(0, 0));
    EXPECT_EQ(fb.At(1, 0), Texel(1, 0));
    EXPECT_EQ(fb.At(2, 0), Texel(3, 1));
    EXPECT_EQ(fb.At(3, 0), Texel(4, 1));
    EXPECT_EQ(fb.At(0, 1), Texel(255, 1));
}

TEST_P(RotozoomLoops, MatchesTheReferenceOverTimesAndRegions)
{
    EnsureTables();
    const uint32_t times[] = {0, 1, 699, 1000, 2199, 3000, 40320, 65536, 98765, 1234567, 2147483648u, 4294967295u};
    const Region rects[] = {
        MakeRegion(0, 0, 240, 320),     MakeRegion(120, 0, 240, 320),  MakeRegion(120, 0, 240, 160),
        MakeRegion(0, 160, 120, 320),   MakeRegion(239, 0, 240, 320),  MakeRegion(0, 319, 240, 320),
        MakeRegion(17, 33, 200, 301),   MakeRegion(5, 7, 6, 8),
    };
    for (uint32_t t : times)
        for (Region r : rects) {
            r.millis = t;
            ScopedFramebuffer fb(0xABCD);
            std::vector<uint16_t> want(BufferPixels, 0xABCD);
            Rotozoom(&r);
            ReferenceRotozoom(r, want);
            ASSERT_EQ(FirstDifference(fb.pixels, want), "") << "millis " << t << ", rect " << r.x0 << "," << r.y0 << "-" << r.x1 << "," << r.y1;
        }
}

TEST_P(RotozoomLoops, EmptyOrInvertedRectangleDrawsNothing)
{
    ScopedFramebuffer fb(0x1234);
    const Region rects[] = {MakeRegion(50, 0, 50, 320), MakeRegion(0, 90, 240, 90), MakeRegion(60, 0, 40, 320)};
    for (const Region& r : rects)
        Rotozoom(&r);
    EXPECT_EQ(FirstDifference(fb.pixels, std::vector<uint16_t>(BufferPixels, 0x1234)), "");
}

TEST(ShiftRow, RotatesOnlyItsRowLeftByEveryAmountUpToAWholeRow)
{
    ScopedFramebuffer fb;
    std::vector<uint16_t> want(BufferPixels);
    for (int amount = 0; amount <= 240; ++amount) {  // 0 and 240 leave the row unchanged
        const int row = amount * 7 % 320;
        MarkPixels(fb.pixels);
        MarkPixels(want);
        ShiftRow(uint16_t(row), uint16_t(amount));
        ReferenceShiftRow(want, row, amount);
        ASSERT_EQ(FirstDifference(fb.pixels, want), "") << "amount " << amount;
    }
    MarkPixels(fb.pixels);
    const uint16_t first = fb.At(0, 7), second = fb.At(1, 7);
    ShiftRow(7, 1);
    EXPECT_EQ(fb.At(0, 7), second);
    EXPECT_EQ(fb.At(239, 7), first);
}

TEST(ShiftRow, AmountsAboveTheRowTakeTheRemainderAndRowsBeyondTheBufferAreIgnored)
{
    ScopedFramebuffer fb;
    std::vector<uint16_t> want(BufferPixels);
    for (int amount : {241, 479, 480, 65535}) {
        MarkPixels(fb.pixels);
        MarkPixels(want);
        ShiftRow(319, uint16_t(amount));
        ReferenceShiftRow(want, 319, amount % 240);
        ASSERT_EQ(FirstDifference(fb.pixels, want), "") << "amount " << amount;
    }
    ShiftRow(320, 5);
    ShiftRow(65535, 5);
    EXPECT_EQ(FirstDifference(fb.pixels, want), "");
}

class SplitScreens : public ::testing::Test {
protected:
    void SetUp() override { EnsureTables(); }  // the rings read the ring and distance tables
    void TearDown() override { ElapsedMillis = ElapsedSeconds = 0; }
};

TEST_F(SplitScreens, RecordsTakeTheClockAndSplitAtTheLevelsColumn)
{
    ScopedFramebuffer fb;
    ElapsedMillis = 40320;
    ElapsedSeconds = 40;
    const struct { uint32_t level; uint16_t two, three; } cases[] = {
        {0, 239, 0}, {1024, 236, 3}, {32768, 119, 120}, {64512, 3, 236}, {65535, 0, 239},
        {65536, 0, 239}, {4294967295u, 0, 239},  // above the range: as 65535
    };
    for (const auto& c : cases) {
        Region left{}, right{};
        SplitRotoRings2(&left, &right, c.level);
        EXPECT_EQ(left.x1, c.two) << "level " << c.level;
        EXPECT_EQ(right.x0, c.two) << "level " << c.level;
        SplitRotoRings3(&left, &right, c.level);
        EXPECT_EQ(left.x1, c.three) << "level " << c.level;
        EXPECT_EQ(right.x0, c.three) << "level " << c.level;
        for (const Region* r : {&left, &right}) {
            EXPECT_EQ(r->millis, 40320u);
            EXPECT_EQ(r->seconds, 40u);
            EXPECT_EQ(r->y0, 0);
            EXPECT_EQ(r->y1, 320);
            EXPECT_EQ(r->stride, 240);
            EXPECT_EQ(r->height, 320);
            EXPECT_EQ(r->centerX, 120);
            EXPECT_EQ(r->centerY, 160);
        }
        EXPECT_EQ(left.x0, 0);
        EXPECT_EQ(right.x1, 240);
    }
}

// Draws both halves with the effects themselves; SplitRotoRings3 then rotates the band rows.
static std::vector<uint16_t> ExpectedSplit(uint16_t splitX, uint32_t millis, bool bands)
{
    ScopedFramebuffer fb(0x5A5A);
    const Region left = MakeRegion(0, 0, splitX, 320, millis), right = MakeRegion(splitX, 0, 240, 320, millis);
    Rotozoom(&left);
    if (bands) {
        RingsXor3(&right, 1);
        for (int y = 0; y < 320; ++y)
            if (y & 16)
                ReferenceShiftRow(fb.pixels, y, splitX);
    } else {
        RingsSum2(&right);
    }
    return fb.pixels;
}

TEST_F(SplitScreens, SplitRotoRings3TradesSidesInEveryOther16RowBand)
{
    ElapsedMillis = 40320;
    for (uint32_t level : {0u, 1024u, 32768u, 64512u, 65535u}) {
        Region left, right;
        const std::vector<uint16_t> want = ExpectedSplit(uint16_t((level * 240) >> 16), 40320, true);
        ScopedFramebuffer fb(0x5A5A);
        SplitRotoRings3(&left, &right, level);
        EXPECT_EQ(FirstDifference(fb.pixels, want), "") << "level " << level;
    }
}

TEST_F(SplitScreens, SplitRotoRings2LeavesTheLastColumnToTheRings)
{
    ElapsedMillis = 56000;
    for (uint32_t level : {0u, 1024u, 32768u, 65535u}) {
        Region left, right;
        const std::vector<uint16_t> want = ExpectedSplit(uint16_t(((65535 - level) * 240) >> 16), 56000, false);
        ScopedFramebuffer fb(0x5A5A);
        SplitRotoRings2(&left, &right, level);
        EXPECT_EQ(FirstDifference(fb.pixels, want), "") << "level " << level;
    }
}
