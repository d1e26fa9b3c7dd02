#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "flash/flash.h"
#include "frame/frame.h"

namespace {

constexpr uint16_t White = 0xFFFF, Black = 0, Red = PackRgb565(255, 0, 0);

// Analyses seconds * 60 frames at 60 fps; paint(frame, buffer) draws each one.
FlashAnalysis Analyse(uint32_t seconds, const std::function<void(uint32_t, std::vector<uint16_t>*)>& paint)
{
    FlashAnalysis a;
    StartFlashAnalysis(&a, 60, 0);
    std::vector<uint16_t> buffer(BufferPixels);
    for (uint32_t f = 0; f < seconds * 60; ++f) {
        paint(f, &buffer);
        AnalyseFrame(&a, buffer.data());
    }
    FinishFlashAnalysis(&a);
    return a;
}

// The whole picture alternating between two colours, `hertz` times a second (two frames a cycle
// and up).
FlashAnalysis Alternate(uint16_t one, uint16_t other, uint32_t hertz)
{
    return Analyse(3, [=](uint32_t f, std::vector<uint16_t>* b) {
        std::fill(b->begin(), b->end(), f * hertz * 2 / 60 % 2 == 0 ? one : other);
    });
}

}  // namespace

TEST(FlashAnalysis, WholePictureFlashesAreCountedAgainstTheLimit)
{
    const FlashAnalysis fast = Alternate(Black, White, 10);
    EXPECT_EQ(WorstFlashes(&fast, false).flashes, 10u);
    EXPECT_EQ(SecondsOverLimit(&fast), 3u);
    EXPECT_EQ(WorstFlashes(&fast, true).flashes, 0u) << "black and white is no red flash";

    const FlashAnalysis slow = Alternate(Black, White, 2);
    EXPECT_EQ(WorstFlashes(&slow, false).flashes, 2u);
    EXPECT_EQ(SecondsOverLimit(&slow), 0u);

    // Between white and a light grey (luminance above 0.8) nothing counts, however fast.
    const FlashAnalysis light = Alternate(White, PackRgb565(240, 240, 240), 20);
    EXPECT_EQ(WorstFlashes(&light, false).flashes, 0u);
}

TEST(FlashAnalysis, SmallAreasAndSlowFadesPass)
{
    // A 20 x 20 square at 10 Hz is far below a quarter of any window.
    const FlashAnalysis small = Analyse(2, [](uint32_t f, std::vector<uint16_t>* b) {
        std::fill(b->begin(), b->end(), Black);
        for (int y = 150; y < 170; ++y)
            for (int x = 100; x < 120; ++x)
                (*b)[size_t(y) * BufferWidth + x] = f / 3 % 2 == 0 ? Black : White;
    });
    EXPECT_EQ(WorstFlashes(&small, false).flashes, 0u);

    // Black to white over two seconds, one step of green a frame or two: one transition only.
    const FlashAnalysis fade = Analyse(2, [](uint32_t f, std::vector<uint16_t>* b) {
        const auto v = static_cast<uint8_t>(f * 255 / 119);
        std::fill(b->begin(), b->end(), PackRgb565(v, v, v));
    });
    EXPECT_EQ(WorstFlashes(&fade, false).flashes, 0u);
    EXPECT_EQ(fade.seconds.size(), 2u);
}

TEST(FlashAnalysis, RedAgainstBlackIsARedFlash)
{
    const FlashAnalysis red = Alternate(Black, Red, 10);
    EXPECT_EQ(WorstFlashes(&red, true).flashes, 10u);
    // A dark red moves the red value by less than 20: no red flash.
    const FlashAnalysis dim = Alternate(Black, PackRgb565(48, 0, 0), 10);
    EXPECT_EQ(WorstFlashes(&dim, true).flashes, 0u);
}

TEST(FlashAnalysis, ReportNamesTheWorstSecondAndWindow)
{
    // The picture's top left window (landscape) is buffer columns 0..79 of rows 213..319; it
    // flashes at 5 Hz from 1.5 s on.
    const FlashAnalysis a = Analyse(3, [](uint32_t f, std::vector<uint16_t>* b) {
        std::fill(b->begin(), b->end(), Black);
        if (f >= 90 && f / 6 % 2 == 1)
            for (int y = 213; y < 320; ++y)
                for (int x = 0; x < 80; ++x)
                    (*b)[size_t(y) * BufferWidth + x] = White;
    });
    const FlashPeak worst = WorstFlashes(&a, false);
    EXPECT_EQ(worst.flashes, 5u);
    EXPECT_EQ(worst.window, 0);
    EXPECT_EQ(worst.startFrame, 90u);
    const std::string csv = FlashReportCsv(&a);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "second,general,general_x,general_y,red,red_x,red_y");
    EXPECT_NE(csv.find("\n1,5,0,0,0,,\n"), std::string::npos) << csv;
    EXPECT_EQ(FlashSummary(&a), "flashes: 2 of 3 seconds over 3 (general 2, red 0); worst general 5 in the second "
                                "from 1.50 s at 0,0; no red flash");
}
