// What the flash analysis and gentle mode share: each pixel's luminance and red value from a table,
// and the run of a pixel from its last turning point, which makes a transition once it has moved
// far enough. Internal to src/flash/.
#pragma once
#include <cstdint>

#include "flash/flash.h"
#include "frame/frame.h"

// The picture's 6 x 6 cells, each a sixth of its width and height; a window is 2 x 2 cells. The
// picture is the buffer turned: its 320 columns are the buffer's rows, its 240 rows the columns.
constexpr int Cells = FlashGrid + 1;
constexpr int CellColumns = BufferWidth / Cells;  // buffer columns a cell spans (picture rows)
static_assert(BufferWidth % Cells == 0);
// The cell column of buffer row y: the picture's column 319 - y, in sixths of 320.
inline int RowCell(int y) { return (BufferHeight - 1 - y) * Cells / BufferHeight; }

// Luminance 0..10000 for 0..1 and the red value max(0, R - G - B) x 320 times 50 (0..16000) with
// bit 15 set for a saturated red, per RGB565 pixel: 65536 entries each, made on first use.
const uint16_t* LuminanceTable();
const uint16_t* RedTable();

constexpr uint16_t RedSaturated = 0x8000;
constexpr uint16_t LuminanceStep = 1000;   // 0.1
constexpr uint16_t DarkerBelow = 8000;     // 0.8
constexpr uint16_t RedStep = 20 * 50;      // 20, exceeded

// A run's state in a nibble: its way (0 none yet, 1 up, 2 down) and whether it made its transition.
constexpr uint8_t RunUp = 1, RunDown = 2, RunWay = 3, RunDone = 4;

// Moves a pixel's run from value `was` to `now` (both this kind's values). A change of way starts
// a new run at `was`. Returns the way of the transition the run makes in this frame, or 0.
inline uint8_t TrackRun(uint16_t now, uint16_t was, uint16_t* anchor, uint8_t* run, bool red)
{
    const uint16_t mask = red ? uint16_t{0x7FFF} : uint16_t{0xFFFF};
    const uint16_t n = now & mask, w = was & mask;
    if (n == w)
        return 0;
    const uint8_t way = n > w ? RunUp : RunDown;
    if ((*run & RunWay) != way) {
        *run = way;
        *anchor = was;
    }
    if ((*run & RunDone) != 0)
        return 0;
    const uint16_t a = *anchor & mask;
    const uint16_t moved = static_cast<uint16_t>(n > a ? n - a : a - n);
    const bool made = red ? moved > RedStep && ((now | *anchor) & RedSaturated) != 0
                          : moved >= LuminanceStep && (n < a ? n : a) < DarkerBelow;
    if (!made)
        return 0;
    *run |= RunDone;
    return way;
}
