#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/convert.h"
#include "frame/frame.h"
#include "support.h"

namespace {
struct Texel {
    int r, g, b;
    bool operator==(const Texel&) const = default;
};
Texel At(const std::vector<uint8_t>& staging, int s, int t)
{
    const uint8_t* p = &staging[(size_t(t) * StagingSize + s) * 3];
    return {p[0], p[1], p[2]};
}
}  // namespace

TEST(Convert, ChannelsScaleToTheSignedByteRange)
{
    const struct { uint16_t pixel; Texel texel; } cases[] = {
        {0xFFFF, {124, 126, 124}}, {0xF800, {124, 0, 0}}, {0x07E0, {0, 126, 0}},
        {0x001F, {0, 0, 124}},     {0x0000, {0, 0, 0}},   {0x0821, {4, 2, 4}},
    };
    for (const auto& c : cases) {
        std::vector<uint16_t> frame(BufferPixels, c.pixel);
        std::vector<uint8_t> staging(StagingBytes, 0);
        ConvertFrame(frame.data(), staging.data());
        EXPECT_EQ(At(staging, 0, 0), c.texel) << std::hex << c.pixel;
        EXPECT_EQ(At(staging, 239, 319), c.texel) << std::hex << c.pixel;
    }
}

TEST(Convert, BufferPixelLandsOnTheSameTexelAndNothingBeyond)
{
    const std::vector<uint16_t> frame = HashPattern(7);
    std::vector<uint8_t> staging(StagingBytes, 0);
    ConvertFrame(frame.data(), staging.data());
    for (int t = 0; t < StagingSize; ++t)
        for (int s = 0; s < StagingSize; ++s) {
            Texel want{0, 0, 0};
            if (s < BufferWidth && t < BufferHeight) {
                const uint32_t p = frame[size_t(t) * BufferWidth + s];
                want = {int(p >> 11) * 4, int((p >> 5) & 63) * 2, int(p & 31) * 4};
            }
            ASSERT_EQ(At(staging, s, t), want) << "texel " << s << "," << t;
        }
}

// Every form of the loops this processor runs, the plain one included, on every 16-bit value.
using ConvertLoops = EffectLoopsTest;
EFFECT_LOOPS_SUITE(ConvertLoops);

TEST_P(ConvertLoops, WritesTheFormulaForEveryValueOnItsOwnTexelAndNothingBeyond)
{
    // An odd multiplier runs through all 65536 values in the first 65536 pixels, in a scrambled
    // order, so a texel taken from a neighbouring pixel shows.
    std::vector<uint16_t> frame(BufferPixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>(i * 40503u);
    constexpr uint8_t Untouched = 0xA5;
    std::vector<uint8_t> staging(StagingBytes, Untouched);
    ConvertFrame(frame.data(), staging.data());
    for (int t = 0; t < StagingSize; ++t)
        for (int s = 0; s < StagingSize; ++s) {
            Texel want{Untouched, Untouched, Untouched};
            if (s < BufferWidth && t < BufferHeight) {
                const uint32_t p = frame[size_t(t) * BufferWidth + s];
                want = {int(p >> 11) * 4, int((p >> 5) & 63) * 2, int(p & 31) * 4};
            }
            ASSERT_EQ(At(staging, s, t), want) << GetParam().name << " texel " << s << "," << t;
        }
}
