// The driver's start-up, loop and shutdown paths, run on the null platform with a script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/timeline.h"
#include "assets/assets.h"
#include "effects/effects.h"
#include "frame/tables.h"
#include "offline/show_music.h"
#include "offline/show_player.h"
#include "platform/null/null_platform.h"
#include "sound/music.h"
#include "support.h"

namespace {

// The null platform, keeping every frame it was asked to show and the clock it was drawn at.
struct Fake : NullPlatform {
    std::vector<std::vector<uint16_t>> frames;
    std::vector<uint32_t> frameMillis;
    Fake();
} fake;

void KeepFrame()
{
    fake.frames.emplace_back(Framebuffer, Framebuffer + BufferPixels);
    fake.frameMillis.push_back(ElapsedMillis);
}

Fake::Fake()
{
    tick = 1000;
    onPresent = KeepFrame;
}

const Platform& FakePlatform = *UseNullPlatform(&fake);

int Count(const std::string& what) { return int(std::count(fake.log.begin(), fake.log.end(), what)); }

bool AllBlack(const std::vector<uint16_t>& frame)
{
    return std::all_of(frame.begin(), frame.end(), [](uint16_t p) { return p == 0; });
}

class Driver : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = Fake{};
        fake.positions = {PackPosition(LastOrder, 0)};
    }
    void TearDown() override
    {
        AllocateMemory = std::malloc;
        RebuildTables();  // the driver cut the font out of the picture: start the next test afresh
    }
};

int allocations = 0, failAllocation = -1;
void* FailingAllocate(size_t bytes) { return allocations++ == failAllocation ? nullptr : std::malloc(bytes); }

}  // namespace

TEST_F(Driver, SoundInitFailureShowsTheBoxAndSkipsTheLoop)
{
    fake.initOk = false;
    EXPECT_EQ(RunDemo(&FakePlatform), 1);
    EXPECT_EQ(fake.boxText, "Init FAIL");
    EXPECT_EQ(fake.boxCaption, "BASS");
    // The box comes up over the black window; then a black frame, the tables, and the end.
    const std::vector<std::string> expected = {"display", "init", "box", "present", "play", "free"};
    EXPECT_EQ(fake.log, expected);
    ASSERT_EQ(fake.frames.size(), 1u);
    EXPECT_TRUE(AllBlack(fake.frames[0]));
    EXPECT_NE(DistanceTable, nullptr);
    EXPECT_EQ(fake.queries, 0);
    EXPECT_EQ(QuitFlag, 1);
}

TEST_F(Driver, ModuleLoadFailureEndsSilentlyBeforeTheLoop)
{
    fake.loadOk = false;
    EXPECT_EQ(RunDemo(&FakePlatform), 1);
    EXPECT_EQ(Count("box"), 0);
    EXPECT_EQ(Count("length"), 0);
    EXPECT_EQ(Count("free"), 1);
    EXPECT_EQ(fake.frames.size(), 1u);
    EXPECT_EQ(fake.queries, 0);
}

TEST_F(Driver, LoadsTheWholeEmbeddedModule)
{
    EXPECT_EQ(RunDemo(&FakePlatform), 0);
    EXPECT_EQ(fake.loadLength, MusicModule.size());
    const std::vector<std::string> start = {"display", "init", "musicfree", "load", "length", "present", "play"};
    EXPECT_TRUE(std::equal(start.begin(), start.end(), fake.log.begin()));
}

TEST_F(Driver, DisplayFailureStopsBeforeAnySoundCall)
{
    fake.displayOk = false;
    EXPECT_NE(RunDemo(&FakePlatform), 0);
    EXPECT_EQ(fake.log, std::vector<std::string>{"display"});
}

TEST_F(Driver, FailedFirstQueryShowsTheOpeningPictureAtFullLevel)
{
    fake.positions = {PositionUnknown, PackPosition(LastOrder, 0)};
    EXPECT_EQ(RunDemo(&FakePlatform), 0);
    ASSERT_EQ(fake.frames.size(), 3u);  // black start frame, opening frame, black end frame
    ScopedFramebuffer expected;
    Region r = MakeRegion(0, 0, BufferWidth, BufferHeight);
    FadePicture(&r, 65535);
    EXPECT_EQ(fake.frames[1], expected.pixels);
    EXPECT_TRUE(AllBlack(fake.frames[2]));
}

TEST_F(Driver, FailedQueryKeepsTheLastGoodPosition)
{
    fake.positions = {PackPosition(0, 63), PositionUnknown, PackPosition(LastOrder, 0)};
    RunDemo(&FakePlatform);
    ASSERT_EQ(fake.frames.size(), 4u);
    EXPECT_EQ(fake.frames[1], fake.frames[2]);  // same position, same picture: the fade has no clock
}

TEST_F(Driver, EscapeFinishesTheFrameThenEnds)
{
    fake.positions = {PackPosition(5, 0)};
    fake.quitOnFrame = 2;
    EXPECT_EQ(RunDemo(&FakePlatform), 0);
    EXPECT_EQ(fake.frames.size(), 1u + 3u);
    EXPECT_EQ(fake.pumps, 3);
    EXPECT_EQ(fake.log.back(), "free");
    EXPECT_EQ(fake.log[fake.log.size() - 2], "pump");  // the quitting frame still pumps its message
}

TEST_F(Driver, FirstFrameOfTheLastOrderIsBlackAndEndsTheShow)
{
    fake.positions = {PackPosition(0, 10), PackPosition(LastOrder, 0), PackPosition(5, 0)};
    EXPECT_EQ(RunDemo(&FakePlatform), 0);
    ASSERT_EQ(fake.frames.size(), 3u);
    EXPECT_FALSE(AllBlack(fake.frames[1]));
    EXPECT_TRUE(AllBlack(fake.frames[2]));
    EXPECT_EQ(fake.queries, 2);
}

TEST_F(Driver, ClockCountsFromTheStartTickAcrossTheWrap)
{
    fake.tick = 0xFFFFFFF0u;  // the start tick is taken just before the counter wraps
    fake.tickStep = 10;
    fake.positions = {PackPosition(0, 0), PackPosition(0, 1), PackPosition(LastOrder, 0)};
    RunDemo(&FakePlatform);
    ASSERT_EQ(fake.frameMillis.size(), 4u);
    EXPECT_EQ(fake.frameMillis[1], 10u);
    EXPECT_EQ(fake.frameMillis[2], 20u);
    EXPECT_EQ(fake.frameMillis[3], 30u);
}

TEST_F(Driver, OutOfMemoryForTheFrameBufferEndsCleanly)
{
    allocations = 0;
    failAllocation = 0;
    AllocateMemory = FailingAllocate;
    EXPECT_EQ(RunDemo(&FakePlatform), 1);
    EXPECT_EQ(fake.frames.size(), 0u);
    EXPECT_EQ(Count("play"), 0);
    EXPECT_EQ(fake.log.back(), "free");
}

TEST_F(Driver, OutOfMemoryForATableEndsCleanly)
{
    for (int failing : {1, 2}) {
        fake = Fake{};
        fake.positions = {PackPosition(LastOrder, 0)};
        allocations = 0;
        failAllocation = failing;
        AllocateMemory = FailingAllocate;
        EXPECT_EQ(RunDemo(&FakePlatform), 1);
        EXPECT_EQ(fake.frames.size(), 1u);  // the black start frame was already up
        EXPECT_EQ(Count("play"), 0);
        EXPECT_EQ(fake.log.back(), "free");
        EXPECT_EQ(Framebuffer, nullptr);
    }
}

TEST_F(Driver, WithoutAScriptTheNullPlatformPlaysAtTheShowsPaceToTheEnd)
{
    fake.positions.clear();
    fake.tickStep = 960;  // 16 rows a frame: order 31 begins on the 124th frame of the loop
    EXPECT_EQ(RunDemo(&FakePlatform), 0);
    ASSERT_EQ(fake.frames.size(), 1u + 124u);
    EXPECT_FALSE(AllBlack(fake.frames[100]));  // order 25: the credits
    EXPECT_TRUE(AllBlack(fake.frames.back()));
}

// Runs the show with options until it ends or frames frames were drawn; the clock steps tickStep.
static void RunWith(const ViewerOptions& options, uint32_t tickStep, int frames)
{
    fake = Fake{};
    fake.tickStep = tickStep;
    fake.quitOnFrame = frames - 1;
    RunDemo(&FakePlatform, &options);
}

TEST_F(Driver, AudioOffsetShiftsThePositionAndTheClockByExactlyTheOffset)
{
    ViewerOptions o;
    RunWith(o, 10, 100);
    const Fake plain = fake;
    ASSERT_NE(plain.frames[10], plain.frames[40]) << "the rows must differ for the comparison to mean anything";
    // 10 ms a frame: 250 ms later (or earlier) is 25 frames of the run without offset.
    for (int32_t offset : {250, -250}) {
        o.audioOffsetMillis = offset;
        RunWith(o, 10, 100);
        EXPECT_EQ(Count("setdelay"), 1);
        for (int n = 30; n <= 75; ++n) {
            EXPECT_EQ(fake.frameMillis[n], plain.frameMillis[n - offset / 10]) << offset << " frame " << n;
            EXPECT_TRUE(fake.frames[n] == plain.frames[n - offset / 10]) << offset << " frame " << n;
        }
    }
    EXPECT_EQ(fake.frameMillis[1], 260u) << "a picture ahead of the sound starts ahead";
    o.audioOffsetMillis = 250;
    RunWith(o, 10, 30);
    EXPECT_EQ(fake.frameMillis[5], 0u) << "a picture behind the sound waits at the start";
}

TEST_F(Driver, FromDrawsTheFirstFrameACaptureFromThereDraws)
{
    ShowMusic music;
    Stretch stretch;
    std::string error;
    ASSERT_TRUE(RenderShowMusic(&music, 60, 19, 30, &stretch, &error)) << error;
    // 19 opens on the tunnel; 30 closes the iris over the text window the scroller left behind.
    for (int32_t from : {19, 30}) {
        uint32_t first = stretch.first;
        while (FrameOrder(&music, first) < from)
            ++first;
        const uint32_t millis = FrameMillis(first, 60);
        ViewerOptions o;
        o.fromOrder = from;
        RunWith(o, millis - static_cast<uint32_t>(from) * OrderMillis, 1);
        ASSERT_EQ(fake.frames.size(), 2u);
        EXPECT_EQ(fake.startPosition, PackPosition(static_cast<uint32_t>(from), 0));
        EXPECT_EQ(fake.frameMillis[1], millis);

        ScopedFramebuffer captured;
        ShowPlayer player;
        StartPlayer(&player, &music);
        PlayFrame(&player, first);
        EXPECT_TRUE(captured.pixels == fake.frames[1]) << "--from " << from;
    }
}

TEST_F(Driver, LoopStartsOverWithOrder0AfterTheEndFrame)
{
    ViewerOptions o;
    o.loop = true;
    fake.positions = {PackPosition(30, 63), PackPosition(LastOrder, 0), PackPosition(0, 5)};
    fake.quitOnFrame = 3;
    EXPECT_EQ(RunDemo(&FakePlatform, &o), 0);
    ASSERT_EQ(fake.frames.size(), 5u);
    EXPECT_TRUE(AllBlack(fake.frames[2]));
    EXPECT_EQ(Count("setposition"), 1);
    EXPECT_EQ(fake.startPosition, PackPosition(0, 0));
    EXPECT_EQ(fake.frameMillis[3], fake.tickStep) << "the clock starts again with the music";
    ScopedFramebuffer expected;
    Region r = MakeRegion(0, 0, BufferWidth, BufferHeight);
    FadePicture(&r, 65535 - 5 * 1024);
    EXPECT_EQ(fake.frames[3], expected.pixels);
}

TEST_F(Driver, MuteAndANamedOutputChooseTheSoundDevice)
{
    ViewerOptions o;
    o.mute = true;
    RunDemo(&FakePlatform, &o);
    EXPECT_EQ(fake.initDevice, SoundNoDevice);

    fake = Fake{};
    fake.positions = {PackPosition(LastOrder, 0)};
    fake.deviceNames = {"Speakers", "USB Headset"};
    o = ViewerOptions{};
    o.audioDevice = "USB Headset";
    EXPECT_EQ(RunDemo(&FakePlatform, &o), 0);
    EXPECT_EQ(fake.initDevice, 2);

    fake.log.clear();
    o.audioDevice = "Headphones";
    EXPECT_EQ(RunDemo(&FakePlatform, &o), 1);
    EXPECT_EQ(fake.log, std::vector<std::string>{}) << "no window opens for an output that is not there";
}

TEST(ShowStart, LeavesTheScrollerAsPlayingEveryRowBeforeWouldWhateverRanBefore)
{
    ScopedFramebuffer fb;
    RebuildTables();
    const auto picture = [] { return std::vector<uint16_t>(ScrollerPicture, ScrollerPicture + BufferPixels); };
    const std::vector<uint16_t> startUp = picture();
    ShowState show;
    StartShowAt(&show, 22);
    EXPECT_EQ(picture(), startUp) << "no credits order comes before order 22";
    for (uint32_t order = 22; order <= 26; ++order)
        for (uint32_t row = 0; row < RowsPerOrder; ++row)
            DrawShowFrame(&show, order * OrderMillis + row * RowMillis, PackPosition(order, row));
    const std::vector<uint16_t> played = picture();
    ASSERT_NE(played, startUp);

    StartShowAt(&show, 0);
    EXPECT_EQ(picture(), startUp) << "a new round starts with the text unscrolled";
    EXPECT_EQ(show.order, 0);
    EXPECT_EQ(show.row, 0);
    EXPECT_EQ(show.records[0].x1, BufferWidth);
    EXPECT_EQ(show.records[0].millis, 0u);
    EXPECT_EQ(show.records[1].x1, 0);
    StartShowAt(&show, 27);
    EXPECT_EQ(picture(), played) << "--from 27 finds the text where order 26 left it";
    EXPECT_EQ(show.order, 27);
}

TEST_F(Driver, GentleModeShowsTheDrawingThroughItAndDrawsOnUnchanged)
{
    ViewerOptions o;
    o.fromOrder = 9;  // the rings, which flash
    RunWith(o, 16, 90);
    const Fake plain = fake;
    o.gentle = true;
    RunWith(o, 16, 90);
    ASSERT_EQ(fake.frames.size(), plain.frames.size());
    EXPECT_TRUE(fake.frames[0] == plain.frames[0]) << "the black frame at the start is shown as it is";
    GentleMode expected;
    StartGentle(&expected);
    int softened = 0;
    for (size_t n = 1; n < plain.frames.size(); ++n) {
        const uint16_t* shown = GentleFrame(&expected, plain.frames[n].data(), plain.frameMillis[n]);
        ASSERT_TRUE(std::equal(shown, shown + BufferPixels, fake.frames[n].begin())) << "frame " << n;
        softened += fake.frames[n] != plain.frames[n];
    }
    EXPECT_GT(softened, 60);
}
