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

// The same two tables row-major, as the tunnel walks them along a buffer row, in the form the
// tunnel adds its shifts to: entry (x, y) at y * 640 + x holds depth << 8 | (angle AND 127), plus
// 1 << 16 where the depth is 0 or 1. Adding depthShift << 8 | angleShift (both 0..127) gives
// the entry's TunnelTextureWide index, each field's sum staying below 256.
extern uint32_t TunnelWalkTable[TunnelTableRows * TunnelTableColumns];
// TunnelTexture repeated to 256 x 256 texels, texel (v, u) at v << 8 | u showing texture texel
// (v AND 127, u AND 127), then 65536 black texels for the entries marked 1 << 16.
constexpr int TunnelTextureWideSize = 2 * 256 * 256;
extern uint16_t TunnelTextureWide[TunnelTextureWideSize];

// Builds the tables from the record's stride, height and centre, then cuts the font out of
// ScrollerPicture and encodes ScrollText. Called once, on the main thread, before any effect that
// reads a table. Returns false, with nothing built, when a heap table cannot be allocated.
bool BuildTables(const Region* r);
