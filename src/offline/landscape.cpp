#include "offline/landscape.h"

#include <array>
#include <cstring>

#include "frame/frame.h"

static constexpr std::array<uint8_t, TexelFullScale + 1> Expand = [] {
    std::array<uint8_t, TexelFullScale + 1> t{};
    for (uint32_t v = 0; v <= TexelFullScale; ++v)
        t[v] = ChannelTo8Bits(v);
    return t;
}();

void LandscapePicture(const uint8_t* staging, uint8_t* rgb)
{
    const size_t texelRow = size_t{StagingSize} * 3;
    for (int y = 0; y < LandscapeHeight; ++y) {
        // Display row Y is buffer column Y, read from buffer row 319 at the left edge upwards.
        const uint8_t* texel = staging + (BufferHeight - 1) * texelRow + size_t(y) * 3;
        for (int x = 0; x < LandscapeWidth; ++x, texel -= texelRow, rgb += 3) {
            rgb[0] = Expand[texel[0] & TexelFullScale];
            rgb[1] = Expand[texel[1] & TexelFullScale];
            rgb[2] = Expand[texel[2] & TexelFullScale];
        }
    }
}

void ScalePicture(const uint8_t* rgb, int scale, uint8_t* scaled)
{
    const size_t outRow = size_t{LandscapeWidth} * 3 * static_cast<size_t>(scale);
    for (int y = 0; y < LandscapeHeight; ++y) {
        uint8_t* out = scaled;
        for (int x = 0; x < LandscapeWidth; ++x, rgb += 3)
            for (int i = 0; i < scale; ++i, out += 3)
                std::memcpy(out, rgb, 3);
        for (int i = 1; i < scale; ++i)
            std::memcpy(scaled + outRow * size_t(i), scaled, outRow);
        scaled += outRow * static_cast<size_t>(scale);
    }
}

std::vector<uint8_t> BufferBytes(const uint16_t* frame)
{
    std::vector<uint8_t> bytes(BufferPixels * 2);
    uint8_t* out = bytes.data();
    for (const uint16_t* p = frame; p != frame + BufferPixels; ++p, out += 2) {
        out[0] = static_cast<uint8_t>(*p & 0xFF);
        out[1] = static_cast<uint8_t>(*p >> 8);
    }
    return bytes;
}

uint64_t HashBytes(const void* data, size_t bytes)
{
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t h = 0xCBF29CE484222325u;
    for (size_t i = 0; i < bytes; ++i)
        h = (h ^ p[i]) * 0x100000001B3u;
    return h;
}
