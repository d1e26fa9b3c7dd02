// The buffer-to-texture conversion of the display, kept apart from the platform code so that tests,
// benchmarks and the capture tool see exactly what the screen gets.
#pragma once
#include <cstdint>

// What the screen shows for an RGB565 pixel, the one statement of it: the desktop uploads each
// channel as a signed byte, whose full intensity is 127, with the channel's bits moved up to seven
// (red and blue times 4, 0..124; green times 2, 0..126). So full red or blue shows at 124/127 of
// full scale and full green at 126/127; the capture's 8-bit pictures and the web page's shader
// scale by the same fractions.
constexpr uint32_t TexelFullScale = 127;
constexpr uint32_t RedTexelStep = 4, GreenTexelStep = 2, BlueTexelStep = 4;
constexpr uint32_t RedTexelTop = 31 * RedTexelStep;
constexpr uint32_t GreenTexelTop = 63 * GreenTexelStep;
constexpr uint32_t BlueTexelTop = 31 * BlueTexelStep;
static_assert(RedTexelTop <= TexelFullScale && GreenTexelTop <= TexelFullScale && BlueTexelTop <= TexelFullScale);

// The staging texture: 512 x 512 texels of three signed bytes (R, G, B), texel (s, t) at byte
// (t * 512 + s) * 3. 512 is the smallest power of two that holds both 240 and 320.
constexpr int StagingSize = 512;
constexpr int StagingBytes = StagingSize * StagingSize * 3;

// Writes texel (x, y) for every buffer pixel (x, y): R = (p >> 11) * RedTexelStep, G = ((p >> 5) &
// 63) * GreenTexelStep, B = (p & 31) * BlueTexelStep. Texels beyond column 239 or row 319 are never
// written. Runs the pixel loops chosen in effects/loops.h, every form writing the same bytes. Any
// alignment works; staging on a 64-byte boundary is fastest (the rows then start on one too).
void ConvertFrame(const uint16_t* frame, uint8_t* staging);
// The plain loop, one pixel at a time, whatever the choice: the reference the others match.
void ConvertPlain(const uint16_t* frame, uint8_t* staging);
