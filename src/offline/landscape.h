// The picture the viewer sees, for files: the staging texture of the display turned into the
// landscape image on screen, with 8 bits a channel.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/convert.h"

constexpr int LandscapeWidth = 320;
constexpr int LandscapeHeight = 240;

// A staging channel value (0..TexelFullScale) scaled to 0..255, rounded: v * 255 / 127.
constexpr uint8_t ChannelTo8Bits(uint32_t v)
{
    return static_cast<uint8_t>((v * 255 + TexelFullScale / 2) / TexelFullScale);
}

// Writes the 320 x 240 landscape picture from a staging texture filled by ConvertFrame, as RGB
// triples, row-major. Display pixel (X, Y), X from the left, Y from the top, shows texel
// (s = Y, t = 319 - X): buffer column Y of buffer row 319 - X.
void LandscapePicture(const uint8_t* staging, uint8_t* rgb);
// Writes the landscape picture rgb with every pixel repeated scale times across and down
// (nearest neighbour): (320 * scale) x (240 * scale) pixels.
void ScalePicture(const uint8_t* rgb, int scale, uint8_t* scaled);

// Bytes of a landscape picture at the given scale.
constexpr size_t LandscapeBytes(int scale)
{
    return size_t{LandscapeWidth} * LandscapeHeight * 3 * static_cast<size_t>(scale) * static_cast<size_t>(scale);
}

// The buffer as an .rgb565 file holds it: each pixel as two bytes, low byte first.
std::vector<uint8_t> BufferBytes(const uint16_t* frame);

// 64-bit FNV-1a of the bytes: a fingerprint for golden frames.
uint64_t HashBytes(const void* data, size_t bytes);
