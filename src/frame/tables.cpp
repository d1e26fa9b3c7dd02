#include "frame/tables.h"

#include <cstdlib>

uint16_t* DistanceTable = nullptr;
uint16_t* RingTable = nullptr;

bool BuildFrameTables(const Region* r)
{
    const size_t entries = size_t{r->stride} * r->height;
    auto* distance = static_cast<uint16_t*>(AllocateMemory(entries * sizeof(uint16_t)));
    auto* ring = static_cast<uint16_t*>(AllocateMemory(entries * sizeof(uint16_t)));
    if (distance == nullptr || ring == nullptr) {
        std::free(distance);
        std::free(ring);
        return false;
    }
    std::free(DistanceTable);
    std::free(RingTable);
    DistanceTable = distance;
    RingTable = ring;

    // Along a row the distance never falls, so the root of the row before is where the search for
    // the next one starts: whole-number steps, no square root.
    size_t i = 0;
    for (uint64_t row = 0; row < r->height; ++row) {
        uint64_t d = row, k2 = 0;
        const uint64_t row2 = row * row;
        for (uint64_t k = 0; k < r->stride; ++k, ++i) {
            const uint64_t n = row2 + k2;
            while ((d + 1) * (d + 1) <= n)
                ++d;
            DistanceTable[i] = static_cast<uint16_t>(d);
            RingTable[i] = static_cast<uint16_t>(d & 16);
            k2 += 2 * k + 1;
        }
    }
    return true;
}
