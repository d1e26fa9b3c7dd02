#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>

#include "assets/assets.h"
#include "effects/effects.h"
#include "pixel_compare.h"
#include "support.h"

// A synthetic font and text, so that every glyph pixel is non-zero and tells which glyph, row and
// pixel it is, and neighbouring characters and lines show different glyphs. The real font, text
// and picture are put back after each test.
class ScrollerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::copy_n(FontGlyphs, std::size(FontGlyphs), savedGlyphs.begin());
        std::copy_n(GlyphIndexText, std::size(GlyphIndexText), savedText.begin());
        std::copy_n(ScrollerPicture, BufferPixels, savedPicture.begin());
        for (size_t k = 0; k < std::size(FontGlyphs); ++k)
            FontGlyphs[k] = uint16_t(k + 1);
        for (int line = 0; line < ScrollLines; ++line)
            for (int i = 0; i < ScrollColumns; ++i)
                GlyphIndexText[line * ScrollColumns + i] = (5 * line + 3 * i + 1) % FontGlyphCount;
    }
    void TearDown() override
    {
        std::copy(savedGlyphs.begin(), savedGlyphs.end(), FontGlyphs);
        std::copy(savedText.begin(), savedText.end(), GlyphIndexText);
        std::copy(savedPicture.begin(), savedPicture.end(), ScrollerPicture);
    }
    std::array<uint16_t, std::size(FontGlyphs)> savedGlyphs;
    std::array<int32_t, std::size(GlyphIndexText)> savedText;
    std::vector<uint16_t> savedPicture = std::vector<uint16_t>(BufferPixels);
};

static uint16_t PictureAt(int x, int y) { return ScrollerPicture[y * BufferWidth + x]; }
static std::vector<uint16_t> Picture() { return std::vector<uint16_t>(ScrollerPicture, ScrollerPicture + BufferPixels); }

// Pixel p of glyph row r of character i of text line `line`.
static uint16_t GlyphPixel(int line, int i, int r, int p)
{
    return FontGlyphs[(GlyphIndexText[line * ScrollColumns + i] * GlyphRows + r) * GlyphPixels + p];
}

// The text band from its definition, one division per pixel, into a copy of the picture.
static std::vector<uint16_t> ReferencePicture(int32_t scrollPos)
{
    std::vector<uint16_t> out = Picture();
    const int64_t pos = std::max(scrollPos, 0);
    for (int y = 92; y <= 305; ++y)
        for (int x = 22; x <= 215; ++x) {
            const int64_t s = 2 * pos + (x - 22);
            const bool text = y >= 96 && y <= 301;
            out[size_t(y) * 240 + x] = text ? GlyphPixel(int(s / 13 % 84), 25 - (y - 96) / 8, y % 8, int(s % 13)) : 0;
        }
    return out;
}

static void RenderOnly(int32_t scrollPos)
{
    const Region none = MakeRegion(0, 0, 0, 0);
    Scroller(&none, scrollPos);
}

TEST_F(ScrollerTest, PositionZeroSpansLinesZeroToFourteen)
{
    RenderOnly(0);
    for (int y = 96; y <= 301; ++y) {
        const int i = 25 - (y - 96) / 8;
        ASSERT_EQ(PictureAt(22, y), GlyphPixel(0, i, y % 8, 0)) << "row " << y;
        ASSERT_EQ(PictureAt(203, y), GlyphPixel(13, i, y % 8, 12)) << "row " << y;
        ASSERT_EQ(PictureAt(204, y), GlyphPixel(14, i, y % 8, 0)) << "row " << y;
        ASSERT_EQ(PictureAt(215, y), GlyphPixel(14, i, y % 8, 11)) << "row " << y;
    }
}

TEST_F(ScrollerTest, LastPositionSpansLines68To83)
{
    RenderOnly(447);
    for (int y = 96; y <= 301; ++y) {
        const int i = 25 - (y - 96) / 8;
        ASSERT_EQ(PictureAt(22, y), GlyphPixel(68, i, y % 8, 10)) << "row " << y;
        ASSERT_EQ(PictureAt(215, y), GlyphPixel(83, i, y % 8, 8)) << "row " << y;
    }
}

TEST_F(ScrollerTest, OneStepMovesTheTextTwoColumnsAnd13StepsTwoLines)
{
    RenderOnly(200);
    const std::vector<uint16_t> before = Picture();
    RenderOnly(201);
    for (int y = 96; y <= 301; ++y)
        for (int x = 22; x <= 213; ++x)
            ASSERT_EQ(PictureAt(x, y), before[size_t(y) * 240 + x + 2]) << x << ", " << y;
    RenderOnly(213);
    for (int y = 96; y <= 301; ++y)  // position 200: line 30, pixel 10 at the first column
        ASSERT_EQ(PictureAt(22, y), GlyphPixel(32, 25 - (y - 96) / 8, y % 8, 10)) << "row " << y;
}

TEST_F(ScrollerTest, TextRepeatsEvery546StepsAndWrapsToLineZero)
{
    for (int32_t pos : {0, 123, 545}) {
        RenderOnly(pos);
        const std::vector<uint16_t> first = Picture();
        RenderOnly(pos + 546);
        ASSERT_EQ(FirstDifference(Picture(), first), "") << "position " << pos;
    }
    RenderOnly(520);  // s reaches 1092 at column 74: line 0 again
    for (int y = 96; y <= 301; ++y) {
        ASSERT_EQ(PictureAt(73, y), GlyphPixel(83, 25 - (y - 96) / 8, y % 8, 12));
        ASSERT_EQ(PictureAt(74, y), GlyphPixel(0, 25 - (y - 96) / 8, y % 8, 0));
    }
}

TEST_F(ScrollerTest, MarginsAreBlackAndTheBandIsAllGlyphPixels)
{
    std::fill_n(ScrollerPicture, BufferPixels, uint16_t{0xFFFF});
    RenderOnly(77);
    for (int x = 22; x <= 215; ++x) {
        for (int y : {92, 93, 94, 95, 302, 303, 304, 305})
            ASSERT_EQ(PictureAt(x, y), 0) << x << ", " << y;
        for (int y = 96; y <= 301; ++y)
            ASSERT_NE(PictureAt(x, y), 0) << x << ", " << y;
    }
}

TEST_F(ScrollerTest, CharacterZeroShowsGlyphRowsZeroToFiveOnly)
{
    RenderOnly(0);
    for (int x = 22; x <= 215; ++x) {
        const int line = (x - 22) / 13, p = (x - 22) % 13;
        for (int r = 0; r < 6; ++r)
            ASSERT_EQ(PictureAt(x, 296 + r), GlyphPixel(line, 0, r, p)) << x;
        ASSERT_EQ(PictureAt(x, 295), GlyphPixel(line, 1, 7, p)) << x;
        ASSERT_EQ(PictureAt(x, 302), 0) << x;
        ASSERT_EQ(PictureAt(x, 303), 0) << x;
    }
}

TEST_F(ScrollerTest, MatchesTheReferenceAndWritesOnlyTheTextWindow)
{
    std::fill_n(ScrollerPicture, BufferPixels, uint16_t{0x7777});
    for (int32_t pos = 0; pos < 1100; pos += 37) {
        const std::vector<uint16_t> want = ReferencePicture(pos);
        RenderOnly(pos);
        ASSERT_EQ(FirstDifference(Picture(), want), "") << "position " << pos;
    }
}

TEST_F(ScrollerTest, NegativePositionsDrawPositionZeroAndHugeOnesWrap)
{
    const std::vector<uint16_t> zero = ReferencePicture(0);
    for (int32_t pos : {-1, -546, INT_MIN}) {
        RenderOnly(pos);
        ASSERT_EQ(FirstDifference(Picture(), zero), "") << "position " << pos;
    }
    const std::vector<uint16_t> wrapped = ReferencePicture(INT_MAX % 546);
    RenderOnly(INT_MAX);
    EXPECT_EQ(FirstDifference(Picture(), wrapped), "");
}

TEST_F(ScrollerTest, FullRegionLeavesTheFramebufferEqualToThePicture)
{
    ScopedFramebuffer fb(0x1234);
    const Region whole = MakeRegion(0, 0, 240, 320);
    Scroller(&whole, 300);
    EXPECT_EQ(FirstDifference(fb.pixels, Picture()), "");
}

TEST_F(ScrollerTest, PartialRegionCopiesOnlyItsRectangle)
{
    ScopedFramebuffer fb(0x1234);
    const Region part = MakeRegion(10, 50, 101, 200);
    Scroller(&part, 300);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x) {
            const bool inside = x >= 10 && x < 101 && y >= 50 && y < 200;
            ASSERT_EQ(fb.At(x, y), inside ? PictureAt(x, y) : 0x1234) << x << ", " << y;
        }
}

TEST_F(ScrollerTest, EmptyRegionStillRendersIntoThePicture)
{
    ScopedFramebuffer fb(0x1234);
    const Region rects[] = {MakeRegion(0, 100, 240, 100), MakeRegion(60, 0, 60, 320)};
    for (const Region& r : rects) {
        std::fill_n(ScrollerPicture, BufferPixels, uint16_t{0});
        const std::vector<uint16_t> wantHere = ReferencePicture(300);
        Scroller(&r, 300);
        EXPECT_EQ(FirstDifference(Picture(), wantHere), "");
    }
    EXPECT_EQ(FirstDifference(fb.pixels, std::vector<uint16_t>(BufferPixels, 0x1234)), "");
}
