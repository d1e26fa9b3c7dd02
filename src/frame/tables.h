// Lookup tables built once at start-up, so that no effect takes a square root or an arc tangent
// per pixel. Written only by BuildTables, read-only afterwards, alive until the program ends.
#pragma once
#include <cstdint>

#include "frame/frame.h"

// height x stride entries (row r, column k at r * stride + k), taken from the heap:
extern uint16_t* DistanceTable;  // integer part of sqrt(k^2 + r^2)
extern uint16_t* RingTable;      // DistanceTable entry AND 16

// 640 x 480 polar tables about the buffer centre, x-major: entry (x, y) at x * 480 + y.
constexpr int TunnelTableColumns = 640;
constexpr int TunnelTableRows = 480;
extern uint16_t TunnelAngleTable[TunnelTableColumns * TunnelTableRows];  // trunc(atan2 * 128/2pi), 16-bit two's complement
extern uint16_t TunnelDepthTable[TunnelTableColumns * TunnelTableRows];  // trunc(4096 / distance) AND 127, 0 at the centre

// The same two tables row-major, as the tunnel walks them along a buffer row: entry (x, y) at
// y * 640 + x holds depth << 8 | (angle AND 127). Bits 7 and 15 stay 0, so one 16-bit addition
// of depthShift << 8 | angleShift (both 0..127) adds to both fields without a carry between them.
extern uint16_t TunnelWalkTable[TunnelTableRows * TunnelTableColumns];
// TunnelTexture with its rows 256 texels apart, texel (v, u) at v << 8 | u, so that a shifted
// walk-table entry, masked to its two fields, indexes it as it stands. Columns 128..255 are unused.
extern uint16_t TunnelTextureWide[128 * 256];

// Builds the tables from the record's stride, height and centre, then cuts the font out of
// ScrollerPicture and encodes ScrollText. Called once, on the main thread, before any effect that
// reads a table. Returns false, with nothing built, when a heap table cannot be allocated.
bool BuildTables(const Region* r);
