// The forms of the pixel loops: every vector form this processor runs draws and converts every
// scene exactly as the plain loops do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/timeline.h"
#include "display/convert.h"
#include "effects/loops.h"
#include "pixel_compare.h"
#include "support.h"
#include "show/show_timing.h"

TEST(PixelLoops, PlainComesFirstAndTheProgramDrawsWithTheLastFormUnlessThatIsABaselineOne)
{
    const auto choices = PixelLoopChoices();
    ASSERT_FALSE(choices.empty());
    EXPECT_STREQ(choices.front().name, "Plain");
    EXPECT_EQ(choices.front().target, 0);
    for (size_t i = 1; i < choices.size(); ++i)
        EXPECT_NE(choices[i].target, 0) << choices[i].name;
    // Highway's one-lane and SSE2 forms draw slower than the plain loops.
    const std::string last = choices.back().name;
    EXPECT_STREQ(OwnLoops().name, last == "SCALAR" || last == "SSE2" ? "Plain" : last.c_str());
    EXPECT_EQ(&ChosenLoops(), &OwnLoops());
}

// One frame of the scene, drawn and converted with the given form, from the same records and
// clock each time.
struct DrawnScene {
    std::vector<uint16_t> pixels;
    std::vector<uint8_t> staging;
};

static DrawnScene DrawWith(const PixelLoops& loops, int32_t order, int32_t row, const Region (&records)[4])
{
    UsePixelLoops(loops);
    ScopedFramebuffer fb(0x5A5A);
    Region copy[4] = {records[0], records[1], records[2], records[3]};
    ElapsedMillis = static_cast<uint32_t>(order) * OrderMillis + static_cast<uint32_t>(row) * RowMillis;
    ElapsedSeconds = ElapsedMillis / 1000;
    DrawScene(order, row, copy);
    DrawnScene drawn{fb.pixels, std::vector<uint8_t>(StagingBytes, 0)};
    ConvertFrame(fb.pixels.data(), drawn.staging.data());
    return drawn;
}

TEST(PixelLoops, EveryFormDrawsAndConvertsEveryScenePixelForPixelAsThePlainLoops)
{
    RebuildTables();
    Region records[4] = {};
    const auto choices = PixelLoopChoices();
    for (int32_t order = 0; order <= LastOrder; ++order)
        for (const int32_t row : {0, 1, 21, 32, 47, 63}) {
            const DrawnScene plain = DrawWith(choices.front(), order, row, records);
            for (const PixelLoops& loops : choices.subspan(1)) {
                const DrawnScene vector = DrawWith(loops, order, row, records);
                ASSERT_EQ(FirstDifference(vector.pixels, plain.pixels), "") << loops.name << ", order " << order << ", row " << row;
                ASSERT_TRUE(vector.staging == plain.staging) << loops.name << ", order " << order << ", row " << row;
            }
            // The records carry on from frame to frame, as the driver's do.
            ScopedFramebuffer fb;
            DrawScene(order, row, records);
        }
    UsePixelLoops(choices.back());
    RebuildTables();
}
