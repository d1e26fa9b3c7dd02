// The picture fade and the iris masks, against the pictures as they are embedded now: every
// expectation is computed from the asset arrays, never from what they show.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "effects/effects.h"
#include "effects/loops.h"
#include "frame/tables.h"
#include "support.h"

namespace {

// Each channel scaled on its own, remainder dropped.
uint16_t ReferenceFade(uint16_t p, uint32_t level)
{
    const uint32_t red = ((p >> 11) * level) >> 16;
    const uint32_t green = (((p >> 5) & 63u) * level) >> 16;
    const uint32_t blue = ((p & 31u) * level) >> 16;
    return uint16_t((red << 11) | (green << 5) | blue);
}

// Whether the iris mask draws pixel (x, y): integer distance + 3 against the threshold.
bool ReferenceOutside(int x, int y, uint32_t level)
{
    const uint16_t threshold = uint16_t((240u * level) >> 16);
    const uint16_t d = DistanceTable[size_t(std::abs(y - 160)) * 240 + size_t(std::abs(x - 120))];
    return uint16_t(d + 3) >= threshold;
}

using PictureEffect = void (*)(const Region*, uint32_t);

// Which pixels an effect draws from its picture. Run over two different fills, a pixel it leaves
// keeps the fill, so only a drawn pixel matches the picture both times.
std::vector<uint8_t> DrawnPixels(PictureEffect effect, const uint16_t* picture, uint32_t level, const Region& r)
{
    std::vector<uint8_t> drawn(BufferPixels, 1);
    size_t stray = 0;  // pixels that are neither the picture nor the fill
    for (uint16_t fill : {uint16_t{0x0000}, uint16_t{0xFFFF}}) {
        ScopedFramebuffer fb(fill);
        effect(&r, level);
        for (size_t k = 0; k < BufferPixels; ++k) {
            if (fb.pixels[k] == picture[k])
                continue;
            stray += fb.pixels[k] != fill;
            drawn[k] = 0;
        }
    }
    EXPECT_EQ(stray, 0u) << "level " << level;
    return drawn;
}

size_t Count(const std::vector<uint8_t>& drawn)
{
    size_t n = 0;
    for (uint8_t d : drawn)
        n += d;
    return n;
}

const Region Whole = MakeRegion(0, 0, 240, 320);

}  // namespace

TEST(FadePicture, FollowsTheReferenceArithmeticWorkedValues)
{
    EXPECT_EQ(ReferenceFade(0xFFFF, 65535), 0xF7DE);  // every non-zero channel one step down
    EXPECT_EQ(ReferenceFade(0x0000, 65535), 0x0000);
    EXPECT_EQ(ReferenceFade(0xFFFF, 32768), 0x7BEF);  // halved, remainder dropped
    EXPECT_EQ(ReferenceFade(0xFFFF, 0), 0x0000);
}

TEST(FadePicture, ScalesEveryChannelOfTheWarningPictureByTheLevel)
{
    // The ends, the halfway point, the opening's falling levels and a few ragged ones.
    std::vector<uint32_t> levels = {0, 1, 2047, 2048, 32767, 32768, 65534, 65535};
    for (uint32_t row = 0; row < 64; ++row)
        levels.push_back(65535 - (row << 10));
    ScopedFramebuffer fb(0x1234);
    std::vector<uint16_t> expected(BufferPixels);
    for (uint32_t level : levels) {
        FadePicture(&Whole, level);
        for (size_t k = 0; k < BufferPixels; ++k)
            expected[k] = ReferenceFade(WarningPicture[k], level);
        ASSERT_EQ(fb.pixels, expected) << "level " << level;
    }
}

TEST(FadePicture, LevelZeroIsBlackWhateverThePicture)
{
    ScopedFramebuffer fb(0xFFFF);
    FadePicture(&Whole, 0);
    EXPECT_EQ(fb.pixels, std::vector<uint16_t>(BufferPixels, 0));
}

TEST(FadePicture, LevelsAboveTheFractionActAsTheFullLevel)
{
    ScopedFramebuffer fb;
    FadePicture(&Whole, 65535);
    const std::vector<uint16_t> full = fb.pixels;
    for (uint32_t level : {65536u, 70000u, 0xFFFFFFFFu}) {
        FadePicture(&Whole, level);
        EXPECT_EQ(fb.pixels, full) << "level " << level;
    }
}

TEST(FadePicture, EveryFormFadesLengthsThatAreNoWholeVectorAndNothingBeyond)
{
    // stride x height pixels: fewer than a 128-bit vector, between vector widths, and ragged.
    for (const PixelLoops& loops : PixelLoopChoices()) {
        UsePixelLoops(loops);
        for (const auto& [stride, height] : {std::pair{1, 5}, {3, 5}, {7, 11}, {239, 3}}) {
            Region r = Whole;
            r.stride = uint16_t(stride);
            r.height = uint16_t(height);
            const size_t n = size_t(stride) * size_t(height);
            ScopedFramebuffer fb(0x1234);
            FadePicture(&r, 40000);
            for (size_t k = 0; k < BufferPixels; ++k)
                ASSERT_EQ(fb.pixels[k], k < n ? ReferenceFade(WarningPicture[k], 40000) : 0x1234)
                    << loops.name << ", " << n << " pixels, pixel " << k;
        }
    }
    UsePixelLoops(OwnLoops());
}

TEST(PictureEffects, QuadrantRecordsStillCoverTheWholeBuffer)
{
    EnsureTables();
    const Region quadrant = MakeRegion(120, 160, 240, 320, 12345);
    for (PictureEffect effect : {&FadePicture, &IrisCover, &IrisReveal})
        for (uint32_t level : {0u, 20000u, 65535u}) {
            ScopedFramebuffer fb(0x5555);
            effect(&Whole, level);
            const std::vector<uint16_t> whole = fb.pixels;
            fb.pixels.assign(BufferPixels, 0x5555);
            effect(&quadrant, level);
            EXPECT_EQ(fb.pixels, whole) << "level " << level;
        }
}

TEST(IrisMasks, ThresholdTableAtTheEdgesOfEachBand)
{
    EnsureTables();
    const size_t centre = 160 * 240 + 120, origin = 0;
    // Threshold 3: the cover draws everything, the reveal nothing.
    EXPECT_EQ(Count(DrawnPixels(IrisCover, LogoPicture, 1092, Whole)), BufferPixels);
    EXPECT_EQ(Count(DrawnPixels(IrisReveal, ScrollerPicture, 1092, Whole)), 0u);
    // Threshold 4: the centre pixel (distance 0) crosses over.
    const auto cover4 = DrawnPixels(IrisCover, LogoPicture, 1093, Whole);
    const auto reveal4 = DrawnPixels(IrisReveal, ScrollerPicture, 1093, Whole);
    EXPECT_EQ(Count(cover4), BufferPixels - 1);
    EXPECT_FALSE(cover4[centre]);
    EXPECT_EQ(Count(reveal4), 1u);
    EXPECT_TRUE(reveal4[centre]);
    // Threshold 203: only the farthest pixel, (0, 0) at distance 200, is still covered.
    const auto cover203 = DrawnPixels(IrisCover, LogoPicture, 55705, Whole);
    EXPECT_EQ(Count(cover203), 1u);
    EXPECT_TRUE(cover203[origin]);
    EXPECT_EQ(Count(DrawnPixels(IrisReveal, ScrollerPicture, 55705, Whole)), BufferPixels - 1);
    // Threshold 204: the reveal draws everything, the cover nothing.
    EXPECT_EQ(Count(DrawnPixels(IrisCover, LogoPicture, 55706, Whole)), 0u);
    EXPECT_EQ(Count(DrawnPixels(IrisReveal, ScrollerPicture, 55706, Whole)), BufferPixels);
}

TEST(IrisMasks, CoverAndRevealAreExactComplementsThatFollowTheDistanceAtAnyLevel)
{
    EnsureTables();
    std::vector<uint16_t> under = HashPattern(11);
    // The first level of every threshold, and the last one.
    std::vector<uint32_t> levels;
    for (uint32_t threshold = 0; threshold < 240; ++threshold)
        levels.push_back((threshold * 65536 + 239) / 240);
    levels.push_back(65535);
    std::vector<uint16_t> expectCover(BufferPixels), expectReveal(BufferPixels);
    for (uint32_t level : levels) {
        std::vector<uint16_t> cover(under), reveal(under);
        Framebuffer = cover.data();
        IrisCover(&Whole, level);
        Framebuffer = reveal.data();
        IrisReveal(&Whole, level);
        Framebuffer = nullptr;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x) {
                const size_t k = size_t(y) * 240 + x;
                const bool outside = ReferenceOutside(x, y, level);
                expectCover[k] = outside ? LogoPicture[k] : under[k];
                expectReveal[k] = outside ? under[k] : ScrollerPicture[k];
            }
        ASSERT_EQ(cover, expectCover) << "level " << level;
        ASSERT_EQ(reveal, expectReveal) << "level " << level;
    }
}

TEST(IrisMasks, TimelineFallingLevelOpensAtRowZeroAndClosesAtRow63)
{
    EnsureTables();
    ScopedFramebuffer fb(0x1234);
    IrisCover(&Whole, 65535 - 0);  // threshold 239
    EXPECT_EQ(fb.pixels, std::vector<uint16_t>(BufferPixels, 0x1234));
    IrisCover(&Whole, 65535 - (63 << 10));  // threshold 3
    EXPECT_EQ(fb.pixels, std::vector<uint16_t>(LogoPicture, LogoPicture + BufferPixels));
}
