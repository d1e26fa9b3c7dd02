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
#include "platform/sdl_sound/sound.h"

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

    // For a second of music the reported row follows what is heard: never ahead of the time
    // since play started (the decoder's lead would put it a device buffer ahead), never behind
    // what the device was handed less one device buffer, never going back. Both bounds move with
    // the audio thread, so a loaded machine that runs it late changes nothing.
    const uint32_t rowFrames = MusicRate * 60 / 1000;
    const uint64_t start = SDL_GetTicks64();
    uint32_t lastRow = 0;
    while (lastRow < 16) {
        const uint32_t delivered = SoundDeliveredFrames();
        const uint32_t p = S.MusicGetPosition();
        const uint64_t after = SDL_GetTicks64() - start;
        ASSERT_NE(p, PositionUnknown);
        const uint32_t order = p & 0xFFFF, row = p >> 16;
        ASSERT_EQ(order, 0u);
        // Slack: play began just before `start` was read, and the dummy driver sleeps a whole
        // 11 ms for every 11.6 ms buffer, so its sound runs 5.5% fast.
        ASSERT_LE(uint64_t{row} * 60, after + after * 6 / 100 + 5) << "reported row " << row << " starts after the time heard";
        if (delivered > SoundLatencyFrames()) {
            ASSERT_GE(row, (delivered - SoundLatencyFrames()) / rowFrames) << "reported row " << row << " trails the frame heard";
        }
        ASSERT_GE(row, lastRow);
        lastRow = row;
        ASSERT_LT(after, 60000u) << "the music stopped at row " << row;
        SDL_Delay(3);
    }
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
    const uint64_t playing = SDL_GetTicks64();
    EXPECT_EQ(S.MusicSetDelay(0), 0) << "the delay is set before play";
    SDL_Delay(200);
    // The clock read around the calls brackets the time played, however late a loaded machine
    // runs this thread; the position leads it by the 500 ms.
    const uint64_t least = SDL_GetTicks64() - playing;
    const uint32_t p = S.MusicGetPosition();
    const uint64_t most = SDL_GetTicks64() - start;
    EXPECT_EQ(PositionOrder(p), 19u);
    EXPECT_GE(PositionRow(p) + 1, (least + 500) / 60) << "after at least " << least << " ms";
    EXPECT_LE(PositionRow(p), (most + 500) / 60 + 1) << "after at most " << most << " ms";
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
