// The painters' tools: what they hand to the build is exactly what they meant, the font keeps the
// shape the scroller relies on, and the text they write is one the build accepts.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asset_checks.h"
#include "assets/layout.h"
#include "canvas.h"
#include "paintings.h"
#include "pixel_font.h"
#include "support.h"

TEST(PaintedPng, ReachesTheBuildAsExactlyThePaintedColours)
{
    Image image{64, 4, std::vector<uint16_t>(256)};
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = uint16_t(i * 257 + 12345);  // a spread of values, every bit used
    image.pixels[0] = 0xFFFF;
    image.pixels[1] = 0x0000;
    const std::string path = testing::TempDir() + "sideways_art_roundtrip.png";
    ASSERT_EQ(ErrorOf(WritePng, &image, path), "");
    Image loaded;
    EXPECT_EQ(ErrorOf(LoadPng, path, &loaded), "");
    EXPECT_EQ(loaded.pixels, image.pixels);
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadPngBytes(path, &rgb, &w, &h));
    for (size_t i = 0; i < rgb.size(); i += 3) {  // low bits 0: the PNG shows what the screen shows
        ASSERT_EQ(rgb[i] & 7, 0);
        ASSERT_EQ(rgb[i + 1] & 3, 0);
        ASSERT_EQ(rgb[i + 2] & 7, 0);
    }
    std::remove(path.c_str());
}

TEST(Quantising, MapsTheEndsExactlyAndDithersBetweenSteps)
{
    Canvas canvas = MakeCanvas(8, 8, Colour{1, 1, 1});
    EXPECT_EQ(ToRgb565(&canvas, Dither::Ordered).pixels[0], 0xFFFF);
    canvas = MakeCanvas(8, 8, Colour{});
    EXPECT_EQ(ToRgb565(&canvas, Dither::Ordered).pixels[63], 0x0000);
    // A quarter of the way from red step 10 to 11: a quarter of an 8 x 8 block takes step 11.
    canvas = MakeCanvas(8, 8, Colour{10.25 / 31, 0, 0});
    const Image dithered = ToRgb565(&canvas, Dither::Ordered);
    int upper = 0;
    for (uint16_t p : dithered.pixels) {
        ASSERT_TRUE(p >> 11 == 10 || p >> 11 == 11) << p;
        upper += p >> 11 == 11;
    }
    EXPECT_EQ(upper, 16);
    EXPECT_EQ(ToRgb565(&canvas, Dither::None).pixels[5] >> 11, 10);
}

TEST(DistanceField, MeasuresADiscWithinATenthOfAPixel)
{
    const Field field = MakeField(0, 0, 64, 64, 4, [](double x, double y) { return std::hypot(x - 30, y - 33) < 17.3; });
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double exact = std::hypot(x + 0.5 - 30, y + 0.5 - 33) - 17.3;
            if (std::fabs(exact) < 6) {
                ASSERT_NEAR(FieldAt(&field, x + 0.5, y + 0.5), exact, 0.15) << x << "," << y;
            }
        }
}

TEST(DistanceField, IsExactWhereAShapesOwnEstimateIsNot)
{
    // A cross of two boxes: the least of their own fields says the centre lies 4 inside, but the
    // nearest outside points are the inner corners, sqrt(32) away.
    auto inside = [](double x, double y) {
        return SdBox(x, y, 20, 20, 12, 4) < 0 || SdBox(x, y, 20, 20, 4, 12) < 0;
    };
    EXPECT_DOUBLE_EQ(std::min(SdBox(20, 20, 20, 20, 12, 4), SdBox(20, 20, 20, 20, 4, 12)), -4);
    const Field field = MakeField(0, 0, 40, 40, 4, inside);
    EXPECT_NEAR(FieldAt(&field, 20, 20), -std::sqrt(32.0), 0.15);
    EXPECT_NEAR(FieldAt(&field, 28, 28), 4, 0.15);  // straight above the arm's edge
    EXPECT_NEAR(FieldAt(&field, 34, 27), std::hypot(2, 3), 0.15);  // off the end of an arm
    EXPECT_GT(FieldAt(&field, 100, 100), 1000);  // beyond the measured rectangle
}

TEST(PeriodicNoise, RepeatsEveryPeriodAndStaysInRange)
{
    for (int i = 0; i < 200; ++i) {
        const double x = i * 0.731, y = i * 0.377;
        const double n = PeriodicNoise(x, y, 8, 5);
        EXPECT_NEAR(PeriodicNoise(x + 8, y, 8, 5), n, 1e-9);
        EXPECT_NEAR(PeriodicNoise(x, y - 16, 8, 5), n, 1e-9);
        EXPECT_GE(n, 0);
        EXPECT_LE(n, 1);
        EXPECT_NEAR(PeriodicFractal(x + 4, y + 4, 4, 3, 9), PeriodicFractal(x, y, 4, 3, 9), 1e-9);
    }
}

TEST(PixelFont, DrawsEveryCharacterOfTheCharsetAndOnlyTheSpacesBlank)
{
    for (int g = 0; g < FontGlyphCount; ++g) {
        const char c = FontCharset[g];
        ASSERT_TRUE(HasPixelGlyph(c)) << g;
        int ink = 0;
        for (int row = 0; row < PixelGlyphHeight; ++row)
            for (int column = 0; column < PixelGlyphWidth; ++column)
                ink += PixelInk(c, column, row);
        EXPECT_EQ(ink == 0, c == ' ') << c;
    }
    EXPECT_FALSE(HasPixelGlyph('A'));
    EXPECT_FALSE(HasPixelGlyph('\0'));
}

TEST(PixelFont, KeepsAGapColumnAndLeavesTheRowTheScrollerDropsBlank)
{
    for (int g = 0; g < FontGlyphCount; ++g) {
        const char c = FontCharset[g];
        for (int row = 0; row < PixelGlyphHeight; ++row)
            EXPECT_FALSE(PixelInk(c, 7, row)) << c << " row " << row;
        // Row 12 of the letters is never copied out of the picture.
        for (int column = 0; column < PixelGlyphWidth; ++column)
            EXPECT_FALSE(PixelInk(c, column, 12)) << c;
    }
}

TEST(ScrollTextWriter, WritesTextTheBuildAcceptsFromTheFirstToTheLastLineItCanShow)
{
    const std::string text = WriteScrollText();
    std::vector<std::string> lines;
    ASSERT_EQ(ErrorOf(CheckScrollText, text, &lines), "");
    for (const std::string& line : lines)
        EXPECT_EQ(line[0], ' ') << line;  // the scroller shows only 6 of its 8 pixel columns
    // The first text line enters as the scroll starts; the last comes to rest above the bottom.
    auto hasText = [&](int j) { return lines[j].find_first_not_of(' ') != std::string::npos; };
    EXPECT_TRUE(hasText(ScrollLeadInLines));
    EXPECT_TRUE(hasText(ScrollLines - ScrollRunOutLines - 1));
}
