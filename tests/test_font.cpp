// The font cut out of ScrollerPicture and the encoding of the scroll text into glyph numbers.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "assets/assets.h"
#include "support.h"

// A value that names its own position: unique and with the top bit set over rows 90..319,
// columns 176..239 (where the font lies), non-zero and below 0x8000 everywhere else.
static uint16_t PositionCode(int x, int y)
{
    if (y >= 90 && x >= 176)
        return uint16_t(0x8000 | ((y - 90) << 6) | (x - 176));
    return uint16_t(1 + (y * 240 + x) % 30000);
}

static uint16_t GlyphPixel(int g, int r, int p) { return FontGlyphs[(g * GlyphRows + r) * GlyphPixels + p]; }

class FontCutOut : public testing::Test {
protected:
    std::vector<uint16_t> supplied;
    void SetUp() override
    {
        EnsureTables();
        for (int y = 0; y < BufferHeight; ++y)
            for (int x = 0; x < BufferWidth; ++x)
                ScrollerPicture[y * BufferWidth + x] = PositionCode(x, y);
        supplied.assign(ScrollerPicture, ScrollerPicture + BufferPixels);
        CutOutFont();
    }
    void TearDown() override { RebuildTables(); }
};

TEST_F(FontCutOut, TakesEveryGlyphOfTheFirstLineFromItsOwnRowsAndColumns)
{
    for (int g = 0; g < 26; ++g)
        for (int r = 0; r < GlyphRows; ++r)
            for (int p = 0; p < GlyphPixels; ++p)
                ASSERT_EQ(GlyphPixel(g, r, p), PositionCode(181 + p, 297 - 8 * g + r)) << g << "," << r << "," << p;
    // The corners the layout names: glyph 0 at rows 297..304, glyph 25 at rows 97..104.
    EXPECT_EQ(GlyphPixel(0, 0, 0), PositionCode(181, 297));
    EXPECT_EQ(GlyphPixel(0, 7, 12), PositionCode(193, 304));
    EXPECT_EQ(GlyphPixel(25, 0, 0), PositionCode(181, 97));
}

TEST_F(FontCutOut, TakesTwelvePixelsOfEveryGlyphOfTheSecondLineAndLeavesPixelTwelveZero)
{
    for (int g = 26; g < 52; ++g)
        for (int r = 0; r < GlyphRows; ++r) {
            for (int p = 0; p < 12; ++p)
                ASSERT_EQ(GlyphPixel(g, r, p), PositionCode(197 + p, 505 - 8 * g + r)) << g << "," << r << "," << p;
            ASSERT_EQ(GlyphPixel(g, r, 12), 0) << g << "," << r;  // though column 209 holds a code
        }
    EXPECT_EQ(GlyphPixel(26, 0, 0), PositionCode(197, 297));
    EXPECT_EQ(GlyphPixel(51, 7, 11), PositionCode(208, 104));
}

TEST_F(FontCutOut, BlanksTheGlyphsInThePictureAndTouchesNothingElse)
{
    int blanked = 0;
    for (int y = 0; y < BufferHeight; ++y)
        for (int x = 0; x < BufferWidth; ++x) {
            const bool glyph = y >= 97 && y <= 304 && ((x >= 181 && x <= 193) || (x >= 197 && x <= 208));
            const uint16_t p = ScrollerPicture[y * BufferWidth + x];
            ASSERT_EQ(p, glyph ? 0 : supplied[y * BufferWidth + x]) << x << "," << y;
            blanked += glyph;
        }
    EXPECT_EQ(blanked, 208 * 25);
}

TEST(FontCharset, PutsTheCharactersInGlyphOrder)
{
    EXPECT_EQ(std::strlen(FontCharset), 52u);
    EXPECT_EQ(std::string(FontCharset, 15), "!\"#  &'()^+,-.#");
    EXPECT_EQ(std::string(FontCharset + 15, 11), "0123456789:");
    EXPECT_EQ(std::string(FontCharset + 26), "abcdefghijklmnopqrstuvwxyz");
}

TEST(TextEncoding, GivesEveryCharacterItsFirstPositionInTheCharset)
{
    EXPECT_EQ(GlyphIndexOf(' '), 3);
    EXPECT_EQ(GlyphIndexOf('#'), 2);
    EXPECT_EQ(GlyphIndexOf('!'), 0);
    EXPECT_EQ(GlyphIndexOf('"'), 1);
    EXPECT_EQ(GlyphIndexOf('0'), 15);
    EXPECT_EQ(GlyphIndexOf(':'), 25);
    EXPECT_EQ(GlyphIndexOf('a'), 26);
    EXPECT_EQ(GlyphIndexOf('z'), 51);
    for (int k = 0; k < FontGlyphCount; ++k) {
        const int32_t g = GlyphIndexOf(FontCharset[k]);
        EXPECT_EQ(FontCharset[g], FontCharset[k]);
        EXPECT_LE(g, k);
        EXPECT_NE(g, 4);
        EXPECT_NE(g, 14);
    }
}

TEST(TextEncoding, DrawsCharactersOutsideTheCharsetAsTheSpace)
{
    for (char c : {'A', 'Z', '?', '\\', '\t', '\0', '\x7F', '\xE9'})
        EXPECT_EQ(GlyphIndexOf(c), 3) << int(c);
}

TEST(TextEncoding, EncodesABlankLineAsTwentySixSpacesAndNeverReadsTheTerminator)
{
    char lines[2][ScrollColumns + 1] = {};
    std::memset(lines[0], ' ', ScrollColumns);
    std::memcpy(lines[1], "sideways #1, \"the\" demo!  ", ScrollColumns);
    std::vector<int32_t> plain(2 * ScrollColumns + 1, -7);
    EncodeLines(lines, 2, plain.data());
    for (int i = 0; i < ScrollColumns; ++i)
        EXPECT_EQ(plain[i], 3);
    EXPECT_EQ(plain[ScrollColumns + 0], 26 + ('s' - 'a'));
    EXPECT_EQ(plain[ScrollColumns + 9], 2);
    EXPECT_EQ(plain[ScrollColumns + 13], 1);
    EXPECT_EQ(plain.back(), -7);  // exactly 26 entries per line

    lines[0][ScrollColumns] = 'x';
    lines[1][ScrollColumns] = '#';
    std::vector<int32_t> changed(2 * ScrollColumns + 1, -7);
    EncodeLines(lines, 2, changed.data());
    EXPECT_EQ(changed, plain);
}

TEST(TextEncoding, LeavesTheSuppliedTextBlankAtBothEndsAndInsideTheFont)
{
    EnsureTables();
    for (int j = 0; j < ScrollLines; ++j)
        for (int i = 0; i < ScrollColumns; ++i) {
            const int32_t g = GlyphIndexText[j * ScrollColumns + i];
            ASSERT_GE(g, 0);
            ASSERT_LT(g, FontGlyphCount);
            if (j < 14 || j >= 79) {
                ASSERT_EQ(g, 3) << j << "," << i;
            }
        }
}
