// Gentle mode: the show as drawn, with its flashing softened so that the flash screen
// (flash/flash.h) finds at most FlashLimit flashes in any second. Per sixth of the picture: where
// the drawn frames flash (a window over it with 4 or more transitions in the last second) the
// picture shows each pixel's running mean (an eighth of the way to the drawing every 60th of a
// second) with the drawing at a quarter of its contrast about it, so shapes stay and flicker goes;
// where the picture shown itself nears the limit, the mean alone, all but standing still; every
// other pixel exactly as drawn. Scenes, timing and sound are untouched. Main thread.
#pragma once
#include <cstdint>
#include <vector>

#include "flash/flash.h"

struct GentleMode {
    FlashAnalysis drawn, shown;   // the screen of both pictures
    std::vector<uint16_t> picture;   // the picture shown
    std::vector<uint16_t> blend;     // per pixel red, green, blue with 8 bits of fraction
    uint32_t millis = 0;             // the time of the last frame
    bool started = false;
};

// Starts gentle mode for frames drawn about fps times a second (the viewer: 60).
void StartGentle(GentleMode* g, uint32_t fps = 60);
// The picture to show for a frame drawn at millis (a clock in milliseconds that runs forward; a
// step back counts as one frame): a 240 x 320 RGB565 buffer that g owns, valid until the next call.
const uint16_t* GentleFrame(GentleMode* g, const uint16_t* drawn, uint32_t millis);
