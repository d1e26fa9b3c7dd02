// Interference-ring details shared with the tests: the two colours and the wandering centres.
#pragma once
#include <array>
#include <cstdint>

#include "frame/frame.h"

constexpr uint16_t RingLight = 0x7C93;  // red 15, green 36, blue 19
constexpr uint16_t RingDark = 0x3ACD;   // red 7, green 22, blue 13

struct RingCentre {
    uint16_t x, y;
};

// The centres for the record's millis and centre, in the order the pixel pass visits them.
std::array<RingCentre, 3> RingsXor3Centres(const Region* r);
std::array<RingCentre, 2> RingsSum2Centres(const Region* r);
