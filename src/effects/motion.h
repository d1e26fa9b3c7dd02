// The values the rotozoomer and the tunnel compute once per call from a record, before their pixel
// loops. The effects use these routines themselves; tests call them to pin the numbers.
#pragma once
#include <cstdint>

#include "frame/frame.h"

// Texture walk of the rotozoomer in 8.8 fixed point (texel = bits 8..15 of an accumulator).
struct RotoSteps {
    int32_t ks, kc;              // trunc((sin a + 0.5) * 65536), trunc((cos a + 0.5) * 65536), a = millis / 700
    int32_t pixelU, pixelV;      // added per pixel along a buffer row: ks / width, kc / width
    int32_t rowU, rowV;          // added per buffer row: kc / height, -(ks / height)
    int32_t startU, startV;      // the accumulators at the rectangle's first pixel
};
// Needs a rectangle at least one pixel wide and tall (the divisions are by its width and height).
void ComputeRotoSteps(const Region* r, RotoSteps* steps);

// Tunnel look-up shifts: table entry (x + offsetX, y + offsetY), texture row depth + depthShift,
// texture column angle + angleShift.
struct TunnelShifts {
    int32_t offsetX, offsetY;
    int32_t depthShift, angleShift;
};
void ComputeTunnelShifts(const Region* r, TunnelShifts* shifts);
