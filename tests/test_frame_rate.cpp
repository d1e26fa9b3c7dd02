// The frame rate printed with SIDEWAYS_FPS=1: when it is on, and what it counts.
#include <gtest/gtest.h>

#include "app/frame_rate.h"

TEST(FrameRate, OnlyTheValueOneTurnsItOn)
{
    EXPECT_FALSE(FrameRateWanted(nullptr));  // unset: the show logs nothing
    EXPECT_FALSE(FrameRateWanted(""));
    EXPECT_FALSE(FrameRateWanted("0"));
    EXPECT_FALSE(FrameRateWanted("10"));
    EXPECT_FALSE(FrameRateWanted("yes"));
    EXPECT_TRUE(FrameRateWanted("1"));
}

TEST(FrameRate, CountsFromTheFirstFrameOfTheLoopNotTheStartFrame)
{
    FrameRate rate;
    CountFrame(&rate, 0);              // the black start frame, then 5 s of building tables
    CountFrame(&rate, 5'000'000'000);  // the loop: 101 frames, 10 ms apart
    for (int64_t k = 1; k <= 100; ++k)
        CountFrame(&rate, 5'000'000'000 + k * 10'000'000);
    EXPECT_DOUBLE_EQ(FramesPerSecond(&rate), 100.0);
    EXPECT_EQ(FrameRateReport(&rate), "sideways: 100.0 frames per second (101 frames in 1.00 s)\n");
}

TEST(FrameRate, FewerThanTwoFramesOfTheLoopGiveZero)
{
    FrameRate rate;
    EXPECT_EQ(FramesPerSecond(&rate), 0.0);
    EXPECT_EQ(FrameRateReport(&rate), "sideways: 0.0 frames per second (0 frames in 0.00 s)\n");
    CountFrame(&rate, 1'000);  // start frame only: the sound failed and the loop never ran
    EXPECT_EQ(FramesPerSecond(&rate), 0.0);
    CountFrame(&rate, 2'000);  // one frame of the loop
    EXPECT_EQ(FramesPerSecond(&rate), 0.0);
    EXPECT_EQ(FrameRateReport(&rate), "sideways: 0.0 frames per second (1 frames in 0.00 s)\n");
    CountFrame(&rate, 2'000);  // a second frame with no time between them
    EXPECT_EQ(FramesPerSecond(&rate), 0.0);
}

TEST(FrameRate, TimedFramesReportTheMeanAndWorstOfEachPartFromTheSecondFrameOfTheLoop)
{
    FrameRate rate;
    const auto present = [&rate](int64_t converted, int64_t swapped) {
        const PresentMoments moments = {converted, swapped};
        CountTimedFrame(&rate, &moments);
    };
    present(1'000, 2'000);                  // the start frame
    present(5'000'000'000, 5'001'000'000);  // the first frame of the loop, after the tables
    EXPECT_EQ(rate.software.frames, 0u);
    // Two frames: software 0.5 ms then 1.5 ms after the swap; upload and swap 1 ms then 4 ms.
    present(5'001'500'000, 5'002'500'000);
    present(5'004'000'000, 5'008'000'000);
    EXPECT_EQ(rate.calls, 4u);
    EXPECT_EQ(FrameRateReport(&rate), "sideways: 285.7 frames per second (3 frames in 0.01 s)\n"
                                      "sideways: software (draw + conversion) mean 1.000 ms, worst 1.500 ms\n"
                                      "sideways: upload and swap mean 2.500 ms, worst 4.000 ms\n");
}
