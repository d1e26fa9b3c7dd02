// The whole show as the bench plays it: the frames of a 60 fps capture, with the clock and play
// position the capture gives them, and each frame's time over the passes made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct PlannedFrame {
    uint32_t millis;    // floor(k * 1000 / 60)
    uint32_t position;  // packed order | row << 16, as the music reported it at the frame's start
};

// Renders the embedded music once, as the capture does, to place every frame up to and including
// the black end frame. False, with *error, when the music cannot be played to the end frame.
bool PlanShow(std::string* error);
std::span<const PlannedFrame> ShowFrames();

// Draws every planned frame in order into the Framebuffer, as the live loop would at 60 fps, and
// converts each into staging, `passes` times over, each pass from the start of the show, with the
// pixel loops now chosen. Returns each frame's median time (draw plus conversion) over the passes.
std::vector<double> TimeShow(uint8_t* staging, size_t passes);
