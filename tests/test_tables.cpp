// The lookup tables: edge values, and the rules every entry follows.
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "assets/assets.h"
#include "effects/tables.h"
#include "frame/tables.h"
#include "support.h"

static uint16_t Distance(int row, int column) { return DistanceTable[row * BufferWidth + column]; }
// The tunnel's coordinates about the buffer centre, and the fields the walk table holds.
static const Region Centred = MakeRegion(0, 0, BufferWidth, BufferHeight);
static uint16_t Angle(int x, int y) { return TunnelAngleAt(&Centred, x, y); }
static uint16_t Depth(int x, int y) { return TunnelDepthAt(&Centred, x, y); }
static uint16_t Walk(int x, int y) { return TunnelWalkTable[y * TunnelTableColumns + x]; }

TEST(DistanceTable, HoldsTheTruncatedDistanceAtTheEdges)
{
    EnsureTables();
    EXPECT_EQ(Distance(0, 0), 0);
    EXPECT_EQ(Distance(4, 3), 5);
    EXPECT_EQ(Distance(1, 1), 1);
    EXPECT_EQ(Distance(0, 239), 239);
    EXPECT_EQ(Distance(319, 0), 319);
    EXPECT_EQ(Distance(319, 239), 398);
}

TEST(DistanceTable, EveryEntryIsTheIntegerSquareRootAndTheRingTableItsBitFour)
{
    EnsureTables();
    int rings = 0;
    for (int row = 0; row < BufferHeight; ++row)
        for (int k = 0; k < BufferWidth; ++k) {
            const int s = row * row + k * k, d = Distance(row, k);
            ASSERT_LE(d * d, s) << row << "," << k;
            ASSERT_GT((d + 1) * (d + 1), s) << row << "," << k;
            const bool ring = (d / 16) % 2 == 1;  // 16..31, 48..63, ...
            ASSERT_EQ(RingTable[row * BufferWidth + k], ring ? 16 : 0) << row << "," << k;
            rings += ring;
        }
    EXPECT_GT(rings, 0);
}

TEST(TunnelTables, HoldZeroAtTheCentre)
{
    EnsureTables();
    EXPECT_EQ(Angle(120, 160), 0);
    EXPECT_EQ(Depth(120, 160), 0);
}

TEST(TunnelAngle, ScalesOneTurnToJustUnder128Units)
{
    EnsureTables();
    struct Case { int x, y, angle; };
    const Case cases[] = {
        {121, 160, 0}, {639, 160, 0}, {120, 161, 31}, {120, 159, -31}, {119, 160, 63}, {0, 161, 63},
        {0, 159, -63}, {121, 161, 15}, {119, 161, 47}, {0, 0, -45},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Angle(c.x, c.y), uint16_t(c.angle)) << c.x << "," << c.y;
    EXPECT_EQ(Angle(120, 159), 65505);  // -31 in 16-bit two's complement
    EXPECT_EQ(Angle(0, 159), 65473);
}

TEST(TunnelAngle, StaysWithinAHalfTurnEitherWay)
{
    for (int x = 0; x < TunnelTableColumns; ++x)
        for (int y = 0; y < TunnelTableRows; ++y) {
            const int angle = int16_t(Angle(x, y));
            ASSERT_GE(angle, -63) << x << "," << y;
            ASSERT_LE(angle, 63) << x << "," << y;
        }
}

TEST(TunnelDepth, FallsWithDistanceAndWrapsAt128)
{
    EnsureTables();
    EXPECT_EQ(Depth(121, 160), 0);  // 4096 AND 127
    EXPECT_EQ(Depth(120, 161), 0);
    EXPECT_EQ(Depth(152, 160), 0);  // 4096 / 32 = 128 exactly
    EXPECT_EQ(Depth(153, 160), 124);
    EXPECT_EQ(Depth(184, 160), 64);
    EXPECT_EQ(Depth(0, 0), 20);
    EXPECT_EQ(Depth(639, 479), 6);
    for (int x = 0; x < TunnelTableColumns; ++x)
        for (int y = 0; y < TunnelTableRows; ++y)
            ASSERT_LE(Depth(x, y), 127) << x << "," << y;
}

TEST(TunnelTables, WalkTableHoldsDepthAngleAndTheBlackMarkOfEveryEntryRowMajor)
{
    EnsureTables();
    for (int y = 0; y < TunnelTableRows; ++y)
        for (int x = 0; x < TunnelTableColumns; ++x) {
            const uint32_t entry = Walk(x, y);
            ASSERT_EQ(entry >> 15, Depth(x, y) <= 1 ? 1u : 0u) << x << "," << y;
            ASSERT_EQ((entry >> 8) & 127, Depth(x, y)) << x << "," << y;
            ASSERT_EQ(entry & 255, Angle(x, y) & 127) << x << "," << y;
        }
}

TEST(TunnelTables, FollowTheRecordsCentre)
{
    Region offCentre = MakeRegion(0, 0, BufferWidth, BufferHeight);
    offCentre.centerX = 300;
    offCentre.centerY = 200;
    ASSERT_TRUE(BuildTables(&offCentre));
    EXPECT_EQ(Walk(300, 200), 1u << 15);
    EXPECT_EQ(Walk(301, 200), 1u << 15);
    EXPECT_EQ(Walk(333, 200), 124u << 8);
    EXPECT_EQ(Walk(299, 200), 1u << 15 | 63);
    EXPECT_EQ(Walk(300, 199), 1u << 15 | (-31 & 127));
    for (int y = 0; y < TunnelTableRows; ++y)
        for (int x = 0; x < TunnelTableColumns; ++x) {
            const uint32_t depth = TunnelDepthAt(&offCentre, x, y);
            const uint32_t want = (depth <= 1) << 15 | depth << 8 | (TunnelAngleAt(&offCentre, x, y) & 127u);
            ASSERT_EQ(Walk(x, y), want) << x << "," << y;
        }
    RebuildTables();
    EXPECT_EQ(Walk(153, 160), 124u << 8);
}

static int Allocations = 0;
static int FailingCall = 0;
static void* FailOneAllocation(size_t bytes)
{
    return ++Allocations == FailingCall ? nullptr : std::malloc(bytes);
}

TEST(BuildTables, ReportsAFailedAllocationAndKeepsTheTablesItHad)
{
    EnsureTables();
    const uint16_t* distance = DistanceTable;
    const uint16_t* ring = RingTable;
    for (int failing : {1, 2}) {
        Allocations = 0;
        FailingCall = failing;
        AllocateMemory = FailOneAllocation;
        Region whole = MakeRegion(0, 0, BufferWidth, BufferHeight);
        EXPECT_FALSE(BuildTables(&whole)) << failing;
        AllocateMemory = std::malloc;
        EXPECT_EQ(DistanceTable, distance);
        EXPECT_EQ(RingTable, ring);
        EXPECT_EQ(Distance(4, 3), 5);
    }
}
