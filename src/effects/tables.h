// The effects' own lookup tables, and the start-up routine that builds every table the show
// reads. All are written only while building, read-only afterwards, alive until the program ends.
#pragma once
#include <cstdint>

#include "frame/frame.h"

// The tunnel looks up a 640 x 480 window of polar coordinates about the buffer centre.
constexpr int TunnelTableColumns = 640;
constexpr int TunnelTableRows = 480;

// Entry (x, y) of the tunnel's polar coordinates about the record's centre (cx, cy), from which
// the walk table is built; tests use them to check it.
uint16_t TunnelAngleAt(const Region* r, int x, int y);  // trunc(atan2(y - cy, x - cx) * 128 / 2pi), 16-bit two's complement
uint16_t TunnelDepthAt(const Region* r, int x, int y);  // trunc(4096 / distance) AND 127, 0 at the centre

// The two coordinates row-major, as the tunnel walks them along a buffer row, in the form the
// tunnel adds its shifts to: entry (x, y) at y * 640 + x holds depth << 8 | (angle AND 127), plus
// 1 << 15 where the depth is 0 or 1. Adding depthShift << 8 | angleShift (both 0..127) leaves
// each field's sum below 256, and its low 7 bits pick the texel.
extern uint16_t TunnelWalkTable[TunnelTableRows * TunnelTableColumns];

// Builds the walk table about the record's centre. Main thread, before the tunnel draws.
void BuildTunnelTables(const Region* r);
// Builds the rotozoomer's rearranged copy of RotoTexture. Main thread, before the rotozoomer draws.
void BuildRotoTexture();

// Every start-up table: the frame's distance tables from the record's stride, height and centre,
// the tunnel's and the rotozoomer's, then the font cut out of ScrollerPicture (put back as
// supplied first, so that a second call cuts the same font) and ScrollText encoded. Main thread,
// before any effect runs. Returns false, with nothing built, when a heap table cannot be allocated.
[[nodiscard]] bool BuildTables(const Region* r);
