// The SDL sound layer as the demo uses it, on SDL's dummy audio driver (it plays in real time
// into nothing) and on a driver that does not exist.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "sound/music.h"
#include "platform/sdl/sound.h"

namespace {
const SoundTable& S = SdlSound;

void UseAudioDriver(const char* name) { SDL_setenv("SDL_AUDIODRIVER", name, 1); }
}  // namespace

TEST(SoundLayer, WithoutADeviceInitFailsAndEverythingElseIsHarmless)
{
    UseAudioDriver("no-such-driver");
    EXPECT_EQ(S.Init(-1, MusicRate, 16), 0);
    EXPECT_EQ(S.MusicLoad(1, MusicModule.data(), 0, uint32_t(MusicModule.size()), 0x2000), 0);
    EXPECT_EQ(S.MusicPlay(), 0);
    EXPECT_EQ(S.MusicGetPosition(), PositionUnknown);
    EXPECT_EQ(S.Free(), 1);
    EXPECT_EQ(S.Free(), 1);
}

TEST(SoundLayer, ListsTheOutputsOrSaysThatNoneWasFound)
{
    std::string text, error;
    UseAudioDriver("no-such-driver");
    EXPECT_FALSE(ListAudioDevices(&text, &error));
    EXPECT_EQ(error.rfind("no sound output was found: SDL's audio cannot start (", 0), 0u) << error;
    UseAudioDriver("dummy");
    EXPECT_TRUE(ListAudioDevices(&text, &error));
    EXPECT_EQ(text, "System audio output device\n");
}

TEST(SoundLayer, RefusesBytesThatAreNotAModule)
{
    UseAudioDriver("dummy");
    ASSERT_EQ(S.Init(-1, MusicRate, 16), 1);
    std::vector<uint8_t> noise(100000, 0x55);
    EXPECT_EQ(S.MusicLoad(1, noise.data(), 0, uint32_t(noise.size()), 0x2000), 0);
    EXPECT_EQ(S.MusicLoad(1, MusicModule.data(), 0, 0, 0x2000), 0);  // no length, no load
    EXPECT_EQ(S.MusicPlay(), 0);
    EXPECT_EQ(S.MusicGetPosition(), PositionUnknown);
    S.Free();
}

TEST(SoundLayer, PlaysTheModuleFromTheStartAndReportsWhatIsHeard)
{
    UseAudioDriver("dummy");
    ASSERT_EQ(S.Init(-1, MusicRate, 16), 1);
    S.MusicFree();
    ASSERT_EQ(S.MusicLoad(1, MusicModule.data(), 0, uint32_t(MusicModule.size()), 0x2000), 1);
    EXPECT_EQ(S.MusicGetLength(0), 32u);
    EXPECT_GT(S.MusicGetLength(1), 31u * 64 * 2646);
    EXPECT_EQ(S.MusicGetPosition(), PositionUnknown);  // loaded, not playing
    EXPECT_EQ(S.MusicPlay(), 1);

    // Over a second of play the reported row follows the clock: never ahead of the time since
    // play started (the decoder's lead would put it a device buffer ahead), never going back.
    const uint64_t start = SDL_GetTicks64();
    uint32_t lastRow = 0;
    int64_t worstLag = 0;
    while (SDL_GetTicks64() - start < 1200) {
        const uint64_t before = SDL_GetTicks64() - start;
        const uint32_t p = S.MusicGetPosition();
        const uint64_t after = SDL_GetTicks64() - start;
        ASSERT_NE(p, PositionUnknown);
        const uint32_t order = p & 0xFFFF, row = p >> 16;
        ASSERT_EQ(order, 0u);
        const uint64_t rowStart = uint64_t{row} * 60;
        // Slack: play began just before `start` was read, and the dummy driver sleeps a whole
        // 11 ms for every 11.6 ms buffer, so its sound runs 5.5% fast.
        ASSERT_LE(rowStart, after + after * 6 / 100 + 5) << "reported row " << row << " starts after the time heard";
        ASSERT_GE(row, lastRow);
        worstLag = std::max<int64_t>(worstLag, int64_t(before) - int64_t(rowStart + 60));
        lastRow = row;
        SDL_Delay(3);
    }
    // How far behind it may fall depends on how promptly the audio thread is scheduled; on a
    // loaded machine that can be a few buffers, so this only checks that it keeps moving.
    EXPECT_GE(lastRow, 10u);
    EXPECT_LE(worstLag, 300) << "reported position trails the clock by " << worstLag << " ms";
    RecordProperty("latency_frames", int(SoundLatencyFrames()));
    EXPECT_EQ(S.Free(), 1);
}

TEST(SoundLayer, StartsWhereItWasMovedAtOnceAndLeadsByANegativeDelayWithoutOutput)
{
    UseAudioDriver("no-such-driver");  // muted, the layer opens no device at all
    ASSERT_EQ(S.Init(SoundNoDevice, MusicRate, 16), 1);
    ASSERT_EQ(S.MusicLoad(1, MusicModule.data(), 0, uint32_t(MusicModule.size()), 0x2000), 1);
    ASSERT_EQ(S.MusicSetDelay(-500), 1);
    ASSERT_EQ(S.MusicSetPosition(PackPosition(19, 0)), 1);
    const uint64_t start = SDL_GetTicks64();
    ASSERT_EQ(S.MusicPlay(), 1);
    EXPECT_EQ(S.MusicSetDelay(0), 0) << "the delay is set before play";
    SDL_Delay(200);
    const uint32_t p = S.MusicGetPosition();
    const uint64_t elapsed = SDL_GetTicks64() - start;
    EXPECT_EQ(PositionOrder(p), 19u);
    EXPECT_NEAR(double(PositionRow(p)), double(elapsed + 500) / 60, 1.0) << "after " << elapsed << " ms";
    EXPECT_EQ(S.MusicSetPosition(PackPosition(0, 0)), 1);
    EXPECT_EQ(PositionOrder(S.MusicGetPosition()), 0u);
    S.Free();

    // With a device, the first answer after a move is already the new place.
    UseAudioDriver("dummy");
    ASSERT_EQ(S.Init(-1, MusicRate, 16), 1);
    ASSERT_EQ(S.MusicLoad(1, MusicModule.data(), 0, uint32_t(MusicModule.size()), 0x2000), 1);
    ASSERT_EQ(S.MusicSetPosition(PackPosition(19, 0)), 1);
    ASSERT_EQ(S.MusicPlay(), 1);
    EXPECT_EQ(PositionOrder(S.MusicGetPosition()), 19u);
    S.Free();
}

TEST(SoundLayer, ADeviceSetAsideFollowsTheClockAndTakenBackGoesOnWhereTheClockStands)
{
    UseAudioDriver("dummy");
    ASSERT_EQ(S.Init(-1, MusicRate, 16), 1);
    ASSERT_EQ(S.MusicLoad(1, MusicModule.data(), 0, uint32_t(MusicModule.size()), 0x2000), 1);
    ASSERT_EQ(S.MusicPlay(), 1);
    EXPECT_EQ(TakeDeviceBack(1234), 1234u) << "a device in use is not taken back";

    // The rows since the start that a position query answers, and the rows of the music heard at
    // `from` and `to` ms (a row is 60 ms), one row of slack either side.
    const auto expectHeard = [](uint32_t position, uint64_t from, uint64_t to) {
        const uint64_t rows = PositionOrder(position) * 64u + PositionRow(position);
        EXPECT_GE(rows + 1, from / 60) << "heard " << from << " to " << to << " ms";
        EXPECT_LE(rows, to / 60 + 1) << "heard " << from << " to " << to << " ms";
    };
    // Set aside as if 5 s had been heard: the position is the one 5 s in, whatever the device
    // took, and moves on with the clock (the first query also decodes those 5 s).
    const uint64_t start = SDL_GetTicks64();
    SetDeviceAside(5000);
    for (const uint32_t wait : {0, 150}) {
        SDL_Delay(wait);
        const uint64_t before = SDL_GetTicks64() - start;
        const uint32_t p = S.MusicGetPosition();
        expectHeard(p, 5000 + before, 5000 + SDL_GetTicks64() - start);
    }

    // Taken back at 9 s (ahead of what the clock has decoded), the music goes on at most one
    // decoded slice later, and the device reports from where it went on.
    const uint64_t back = SDL_GetTicks64();
    const uint32_t goesOn = TakeDeviceBack(9000);
    EXPECT_GE(goesOn, 9000u);
    EXPECT_LE(goesOn, 9000u + MusicSliceFrames * 1000 / MusicRate + 1);
    const uint32_t p = S.MusicGetPosition();
    expectHeard(p, 9000 - SoundLatencyFrames() * 1000 / MusicRate, goesOn + SDL_GetTicks64() - back);
    S.Free();
}
