#include <gtest/gtest.h>

#include <set>

#include "app/timeline.h"
#include "support.h"

TEST(Levels, RiseAndFallFollowTheRow)
{
    EXPECT_EQ(LevelsAt(0, 0).rise, 0u);
    EXPECT_EQ(LevelsAt(0, 0).fall, 65535u);
    EXPECT_EQ(LevelsAt(0, 32).rise, 32768u);
    EXPECT_EQ(LevelsAt(0, 63).rise, 64512u);
    EXPECT_EQ(LevelsAt(0, 63).fall, 1023u);  // the darkest step of the opening fade
    EXPECT_EQ(LevelsAt(0, 64).rise, 0u);     // a row past the pattern wraps, it does not overflow
}

TEST(Levels, WipeIsOneEvenRampOverOrdersOneAndTwo)
{
    EXPECT_EQ(LevelsAt(1, 0).wipe, 0u);
    EXPECT_EQ(LevelsAt(1, 63).wipe, 32256u);
    EXPECT_EQ(LevelsAt(2, 0).wipe, 32768u);
    EXPECT_EQ(LevelsAt(2, 63).wipe, 65024u);
    for (int32_t step = 1; step < 128; ++step)
        EXPECT_EQ(LevelsAt(1 + step / 64, step % 64).wipe - LevelsAt(1 + (step - 1) / 64, (step - 1) % 64).wipe, 512u);
}

TEST(Levels, ScrollPositionCountsRowsFromOrder23)
{
    EXPECT_EQ(LevelsAt(23, 0).scrollPos, 0);
    EXPECT_EQ(LevelsAt(24, 0).scrollPos, 64);
    EXPECT_EQ(LevelsAt(29, 63).scrollPos, 447);
}

static std::vector<SceneStep> StepsOf(int32_t order)
{
    std::vector<SceneStep> steps;
    for (const SceneStep& s : SceneTimeline)
        if (order >= s.first && order <= s.last)
            steps.push_back(s);
    return steps;
}

TEST(Timeline, EveryOrderHasAScene)
{
    for (int32_t order = 0; order <= 40; ++order)
        EXPECT_FALSE(StepsOf(order).empty()) << "order " << order;
    EXPECT_FALSE(StepsOf(65535).empty());
}

TEST(Timeline, RecordsStayWithinTheDriversFour)
{
    for (const SceneStep& s : SceneTimeline) {
        const bool pair = s.call == Call::CopperWipe || s.call == Call::SplitRotoRings2 || s.call == Call::SplitRotoRings3;
        EXPECT_LT(s.record + (pair ? 1 : 0), 4);
        if (pair) {
            EXPECT_EQ(s.record, 0);  // R1 takes the left part, R2 the right
        }
        EXPECT_LE(s.first, s.last);
    }
}

TEST(Timeline, OrdersFromTheLastOnAreBlackOnly)
{
    for (int32_t order : {31, 32, 100, 65535}) {
        const auto steps = StepsOf(order);
        ASSERT_EQ(steps.size(), 1u);
        EXPECT_EQ(steps[0].call, Call::FillBlack);
    }
}

TEST(Timeline, ClosingOrderRevealsOverBlackWithTheRecordOfAnEarlierFrame)
{
    const auto steps = StepsOf(30);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].call, Call::FillBlack);
    EXPECT_EQ(steps[1].call, Call::IrisReveal);
    EXPECT_EQ(steps[1].preset, Preset::Keep);
    EXPECT_EQ(steps[1].arg, Arg::Fall);
}

TEST(Timeline, WipeOrdersFreezeTheClockBeforeTheWipe)
{
    for (int32_t order : {1, 2}) {
        const auto steps = StepsOf(order);
        ASSERT_EQ(steps.size(), 2u);
        EXPECT_EQ(steps[0].call, Call::FreezeClock);
        EXPECT_EQ(steps[1].call, Call::CopperWipe);
    }
    ScopedFramebuffer fb;
    for (int32_t order : {1, 2}) {
        Region records[4] = {};
        ElapsedMillis = 123456;
        ElapsedSeconds = 123;
        DrawScene(order, 10, records);
        EXPECT_EQ(ElapsedMillis, 3000u);
        EXPECT_EQ(ElapsedSeconds, 123u);
        // Both halves of the wipe carry the frozen clock.
        EXPECT_EQ(records[0].millis, 3000u) << "order " << order;
        EXPECT_EQ(records[1].millis, 3000u) << "order " << order;
        EXPECT_EQ(records[0].seconds, 123u) << "order " << order;
    }
    ElapsedMillis = ElapsedSeconds = 0;
}

TEST(Timeline, QuadrantOrderFillsR1BeforeR2AndDrawsItAfter)
{
    const auto steps = StepsOf(17);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].record, 0);
    EXPECT_EQ(steps[0].preset, Preset::LowerLeft);
    EXPECT_EQ(steps[0].call, Call::None);
    EXPECT_EQ(steps[1].record, 1);
    EXPECT_EQ(steps[1].call, Call::RingsSum2);
    EXPECT_EQ(steps[2].record, 0);
    EXPECT_EQ(steps[2].preset, Preset::Keep);
    EXPECT_EQ(steps[2].call, Call::RingsXor3);
}

TEST(Timeline, SceneCallsFollowTheScore)
{
    // The calls of each order, in the order a frame makes them.
    const std::vector<std::vector<Call>> score = {
        {Call::FadePicture},
        {Call::FreezeClock, Call::CopperWipe},
        {Call::FreezeClock, Call::CopperWipe},
        {Call::CopperBars},
        {Call::CopperBars, Call::IrisCover},
        {Call::IrisCover}, {Call::IrisCover},
        {Call::IrisCover, Call::RingsXor3}, {Call::IrisCover, Call::RingsXor3},
        {Call::RingsXor3},
        {Call::SplitRotoRings3},
        {Call::Rotozoom}, {Call::Rotozoom}, {Call::Rotozoom},
        {Call::SplitRotoRings2},
        {Call::RingsSum2, Call::RingsSum2, Call::RingsXor3, Call::RingsXor3},
        {Call::RingsSum2, Call::RingsSum2, Call::RingsXor3, Call::RingsXor3},
        {Call::None, Call::RingsSum2, Call::RingsXor3, Call::Rotozoom},
        {Call::RingsXor3, Call::RingsXor3, Call::Rotozoom, Call::Tunnel},
        {Call::Tunnel}, {Call::Tunnel}, {Call::Tunnel},
        {Call::Tunnel, Call::IrisReveal},
        {Call::Scroller}, {Call::Scroller}, {Call::Scroller}, {Call::Scroller},
        {Call::Scroller}, {Call::Scroller}, {Call::Scroller},
        {Call::FillBlack, Call::IrisReveal},
        {Call::FillBlack},
    };
    for (int32_t order = 0; order < int32_t(score.size()); ++order) {
        std::vector<Call> calls;
        for (const SceneStep& s : StepsOf(order))
            calls.push_back(s.call);
        EXPECT_EQ(calls, score[order]) << "order " << order;
    }
}

TEST(Timeline, OnlyTheCreditOrdersRunTheScroller)
{
    for (int32_t order = 0; order <= LastOrder; ++order)
        EXPECT_EQ(SceneScrolls(order), order >= 23 && order <= 29) << "order " << order;
}
