// The position queue between the audio callback and the main thread, and the heard-frame clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "sound/music.h"
#include "sound/music_clock.h"

namespace {
std::unique_ptr<PositionQueue> FreshQueue()
{
    auto q = std::make_unique<PositionQueue>();
    ResetPositions(q.get());
    return q;
}
}  // namespace

TEST(PositionQueue, ReportsTheStartBeforeAnySlicePlays)
{
    auto q = FreshQueue();
    EXPECT_EQ(PositionAt(q.get(), 0), PackPosition(0, 0));
    EXPECT_EQ(PositionAt(q.get(), 123456), PackPosition(0, 0));
}

TEST(PositionQueue, FindsTheSliceThatHoldsAFrame)
{
    auto q = FreshQueue();
    PublishSlice(q.get(), 0, PackPosition(0, 0));
    PublishSlice(q.get(), 2646, PackPosition(0, 1));
    PublishSlice(q.get(), 2 * 2646, PackPosition(0, 2));
    EXPECT_EQ(PositionAt(q.get(), 0), PackPosition(0, 0));
    EXPECT_EQ(PositionAt(q.get(), 2645), PackPosition(0, 0));
    EXPECT_EQ(PositionAt(q.get(), 2646), PackPosition(0, 1));
    EXPECT_EQ(PositionAt(q.get(), 99999), PackPosition(0, 2));  // the newest slice holds until the next
}

TEST(PositionQueue, KeepsWorkingAfterItWrapsAround)
{
    auto q = FreshQueue();
    const uint32_t slices = 3 * PositionQueue::Capacity + 17;
    for (uint32_t n = 0; n < slices; ++n)
        PublishSlice(q.get(), n * 147, PackPosition(n / 18 / 64, n / 18 % 64));
    const uint32_t last = slices - 1;
    EXPECT_EQ(PositionAt(q.get(), last * 147 + 5), PackPosition(last / 18 / 64, last / 18 % 64));
    const uint32_t older = last - 1000;
    EXPECT_EQ(PositionAt(q.get(), older * 147), PackPosition(older / 18 / 64, older / 18 % 64));
}

TEST(HeardFrame, TrailsTheCallbackByTheDeviceLatency)
{
    auto q = FreshQueue();
    EXPECT_EQ(HeardFrame(q.get(), 5000, 512, 44100), 0u);  // nothing delivered yet
    StampCallback(q.get(), 44100, 1000000);
    EXPECT_EQ(HeardFrame(q.get(), 1000000, 512, 44100), 44100u - 512);
    EXPECT_EQ(HeardFrame(q.get(), 1005000, 512, 44100), 44100u - 512 + 220);  // 5 ms later
    EXPECT_EQ(HeardFrame(q.get(), 1100000, 512, 44100), 44100u);  // never past what was delivered
}

TEST(HeardFrame, SurvivesTheMicrosecondCounterWrapping)
{
    auto q = FreshQueue();
    StampCallback(q.get(), 10000, 0xFFFFFF00u);
    EXPECT_EQ(HeardFrame(q.get(), 0xFFFFFF00u + 1000, 512, 44100), 10000u - 512 + 44);
}

TEST(PositionQueue, ConsumerNeverSeesAPositionOlderThanTheSliceItAskedFor)
{
    // The producer runs flat out; the consumer asks for the newest published slice, as the main
    // thread does (what is heard trails the decoder by a few slices). The answer may be newer if
    // the producer laps the history meanwhile, never older and never torn.
    auto q = FreshQueue();
    constexpr uint32_t Slices = 60000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (uint32_t n = 0; n < Slices; ++n)
            PublishSlice(q.get(), n * 147, PackPosition(n, n & 63));
        done = true;
    });
    while (!done) {
        const uint32_t n = q->count.load();
        if (n == 0)
            continue;
        const uint32_t p = PositionAt(q.get(), (n - 1) * 147 + 50);
        ASSERT_GE(p & 0xFFFF, n - 1);
        ASSERT_EQ(p >> 16, (p & 0xFFFF) & 63) << "torn entry";
    }
    producer.join();
    EXPECT_EQ(PositionAt(q.get(), (Slices - 1) * 147), PackPosition(Slices - 1, (Slices - 1) & 63));
}

TEST(MusicDecoder, RefusesBytesThatAreNotAnXmModule)
{
    const uint8_t noise[4096] = {1, 2, 3};
    EXPECT_EQ(OpenMusic(noise, sizeof noise), nullptr);
    EXPECT_EQ(OpenMusic(nullptr, 0), nullptr);
    uint8_t header[80] = {};
    std::memcpy(header, "Extended Module: ", 17);  // the signature alone is not a module
    EXPECT_EQ(OpenMusic(header, sizeof header), nullptr);
}
