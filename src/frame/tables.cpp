#include "frame/tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "assets/assets.h"

uint16_t* DistanceTable = nullptr;
uint16_t* RingTable = nullptr;
uint16_t TunnelAngleTable[TunnelTableColumns * TunnelTableRows];
uint16_t TunnelDepthTable[TunnelTableColumns * TunnelTableRows];
uint32_t TunnelWalkTable[TunnelTableRows * TunnelTableColumns];
uint16_t TunnelTextureWide[TunnelTextureWideSize];

// One turn scaled to just under 128 units: 128 / (2 * 3.1416).
constexpr double AngleScale = 20.371785077667433;

// Exact integer square root, the truncated root of n; 64-bit so the corrections cannot overflow.
static uint64_t IntSqrt(uint64_t n)
{
    uint64_t root = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    while (root * root > n)
        --root;
    while ((root + 1) * (root + 1) <= n)
        ++root;
    return root;
}

bool BuildTables(const Region* r)
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

    for (uint64_t row = 0; row < r->height; ++row)
        for (uint64_t k = 0; k < r->stride; ++k) {
            const uint16_t d = static_cast<uint16_t>(IntSqrt(row * row + k * k));
            DistanceTable[row * r->stride + k] = d;
            RingTable[row * r->stride + k] = d & 16;
        }

    for (int x = 0; x < TunnelTableColumns; ++x)
        for (int y = 0; y < TunnelTableRows; ++y) {
            const int dx = x - r->centerX, dy = y - r->centerY;
            const int s = dx * dx + dy * dy;
            const int i = x * TunnelTableRows + y;
            TunnelDepthTable[i] = s == 0 ? 0 : static_cast<uint16_t>(static_cast<int>(4096.0 / std::sqrt(double(s))) & 127);
            TunnelAngleTable[i] = static_cast<uint16_t>(static_cast<int>(std::atan2(double(dy), double(dx)) * AngleScale));
            const uint32_t depth = TunnelDepthTable[i], black = depth <= 1;
            TunnelWalkTable[y * TunnelTableColumns + x] = black << 16 | depth << 8 | (TunnelAngleTable[i] & 127u);
        }

    for (int v = 0; v < 256; ++v)
        for (int u = 0; u < 256; ++u)
            TunnelTextureWide[v << 8 | u] = TunnelTexture[(v & 127) * 128 + (u & 127)];
    std::fill(TunnelTextureWide + 65536, TunnelTextureWide + TunnelTextureWideSize, uint16_t{0});

    CutOutFont();
    EncodeText();
    return true;
}
