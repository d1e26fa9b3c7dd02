// The frame's distance tables, built once at start-up so that no effect takes a square root per
// pixel. Written only by BuildFrameTables, read-only afterwards, alive until the program ends.
#pragma once
#include <cstdint>

#include "frame/frame.h"

// height x stride entries (row r, column k at r * stride + k), taken from the heap:
extern uint16_t* DistanceTable;  // integer part of sqrt(k^2 + r^2)
extern uint16_t* RingTable;      // DistanceTable entry AND 16

// Builds both tables for the record's stride and height. Main thread, before any effect reads
// them. Returns false, keeping the tables it had, when a table cannot be allocated.
[[nodiscard]] bool BuildFrameTables(const Region* r);
