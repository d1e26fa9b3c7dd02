// The software frame buffer, the Region record every effect draws through, its presets and the
// two plain fills. Buffer coordinates throughout: column x 0..239, row y 0..319, pixel (x, y) at
// y * 240 + x, RGB565 (red bits 15..11, green 10..5, blue 4..0). The display shows the buffer
// turned a quarter turn clockwise, so buffer row 0 is the right edge of the screen.
#pragma once
#include <cstddef>
#include <cstdint>

// Frame geometry: fixed for the whole program.
constexpr uint16_t BufferWidth = 240;    // pixels per row, also the row stride
constexpr uint16_t BufferHeight = 320;   // rows
constexpr uint16_t BufferCenterX = 120;
constexpr uint16_t BufferCenterY = 160;
constexpr size_t BufferPixels = size_t{BufferWidth} * BufferHeight;

// RGB565 from levels already at its depths (red and blue 0..31, green 0..63), the one packing rule.
constexpr uint16_t PackLevels565(uint32_t red, uint32_t green, uint32_t blue)
{
    return static_cast<uint16_t>((red << 11) | (green << 5) | blue);
}
// RGB565 from 8-bit intensities: each channel keeps its high bits, nothing is rounded.
constexpr uint16_t PackRgb565(uint8_t red, uint8_t green, uint8_t blue)
{
    return PackLevels565(uint32_t{red} >> 3, uint32_t{green} >> 2, uint32_t{blue} >> 3);
}

// The clock, milliseconds and whole seconds since the music started; 0 until the first frame.
// The driver refreshes both at the top of every frame (and freezes millis at 3000 in orders 1, 2).
extern uint32_t ElapsedMillis;
extern uint32_t ElapsedSeconds;

// The frame buffer, BufferPixels pixels taken from the heap by the driver (or a test, or the
// capture tool) before the first effect runs. Main thread only.
extern uint16_t* Framebuffer;

// Heap allocation for the frame buffer and the heap tables; nullptr when the heap is exhausted.
// Defaults to malloc; tests swap it to walk the out-of-memory paths. Release with std::free.
extern void* (*AllocateMemory)(size_t bytes);

// Where an effect draws and what time it is. Filled by a preset or a split routine right before
// the call; effects only read it. Rectangle [x0, x1) x [y0, y1); the centre is the buffer's.
struct Region {
    uint32_t seconds;
    uint32_t millis;
    uint16_t x0, y0, x1, y1;
    uint16_t stride, height, centerX, centerY;
};

// Presets: fill every field from the clock and the geometry, return the same pointer.
Region* RegionFull(Region* r);        // columns 0..239, rows 0..319
Region* RegionUpperLeft(Region* r);   // columns 0..119, rows 0..159
Region* RegionUpperRight(Region* r);  // columns 120..239, rows 0..159
Region* RegionLowerLeft(Region* r);   // columns 0..119, rows 160..319
Region* RegionLowerRight(Region* r);  // columns 120..239, rows 160..319
Region* RegionRightHalf(Region* r);   // columns 120..239, rows 0..319
// The same for columns [x0, x1) of every row: the two sides of a split screen.
Region* RegionColumns(Region* r, uint16_t x0, uint16_t x1);

// Fills the whole buffer with the low 16 bits of colour; the upper bits are ignored.
void FillScreen(uint32_t colour);
// Writes black to the record's rectangle and nothing else; an empty rectangle writes nothing.
void ClearRegion(const Region* r);
