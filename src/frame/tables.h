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

// Builds the four tables from the record's stride, height and centre, then cuts the font out of
// ScrollerPicture and encodes ScrollText. Called once, on the main thread, before any effect that
// reads a table. Returns false, with nothing built, when a heap table cannot be allocated.
bool BuildTables(const Region* r);
