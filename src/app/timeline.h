// The score of the show: which effects draw a frame, on which records, with which argument, keyed
// on the music's order; the row within the order drives the transition levels.
#pragma once
#include <cstdint>
#include <span>

#include "frame/frame.h"
#include "show/show_timing.h"

// The levels of one frame, all derived from the play position.
struct SceneLevels {
    uint32_t rise;       // (row << 10) & 0xFFFF: 0 at row 0, 64512 at row 63
    uint32_t fall;       // 0xFFFF - rise
    uint32_t wipe;       // one even ramp over orders 1 and 2: ((order - 1) * 64 + row) * 512 mod 65536
    int32_t scrollPos;   // (order - 23) * 64 + row: 0..447 over orders 23..29
};
SceneLevels LevelsAt(int32_t order, int32_t row);

enum class Preset : uint8_t { Keep, Full, UpperLeft, UpperRight, LowerLeft, LowerRight, RightHalf };
enum class Call : uint8_t {
    None, FreezeClock, FillBlack, FadePicture, IrisCover, IrisReveal, CopperBars, CopperWipe,
    RingsXor3, RingsSum2, Rotozoom, SplitRotoRings2, SplitRotoRings3, Tunnel, Scroller,
};
// The argument of a call; Zero also stands for the calls that take none.
enum class Arg : uint8_t { Zero, One, Rise, Fall, Wipe, ScrollPos };

// One call of a frame: for orders first..last, fill record (0..3 for R1..R4) with preset, then
// make the call with it (split routines and the wipe take records record and record + 1).
struct SceneStep {
    uint16_t first, last;
    Preset preset;
    uint8_t record;
    Call call;
    Arg arg;
};
extern const std::span<const SceneStep> SceneTimeline;

// True when the scene of order runs the scroller, the one call whose drawing a later order shows
// (it rewrites ScrollerPicture).
[[nodiscard]] bool SceneScrolls(int32_t order);

// Draws the scene of order and row into the Framebuffer with the driver's four records, which
// keep their contents between frames. Orders 1 and 2 freeze ElapsedMillis at 3000 for the frame.
void DrawScene(int32_t order, int32_t row, Region records[4]);
