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
