// The show offline: the music rendered once from its start, slice by slice as the live sound layer
// renders it, with the play position of every slice, and the frames of a capture placed on it.
// Frame k at fps frames a second starts at k / fps s; it is drawn with the position of the slice
// that holds its first sample and with the clock at its start in whole milliseconds.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "show/show_timing.h"

// First sample of frame k: floor(k * 44100 / fps).
uint64_t FrameFirstSample(uint32_t frame, uint32_t fps);
// The clock of frame k: floor(k * 1000 / fps) ms.
uint32_t FrameMillis(uint32_t frame, uint32_t fps);

struct ShowMusic {
    uint32_t fps;
    // The packed position reported after slice n (samples 147n ..); one that the decoder cannot
    // tell keeps the one before, as the driver keeps its last good position.
    std::vector<uint32_t> slicePositions;
    std::vector<int16_t> samples;          // interleaved L, R from sample 0, 16-bit
};

// The frames a capture takes, all numbered from the show's frame 0.
struct Stretch {
    uint32_t first;     // the first frame whose order is fromOrder or later
    uint32_t last;      // the last frame written as a picture
    uint32_t videoEnd;  // video and audio run from first's start to this frame's start
};

// Renders the embedded music until the first frame past order toOrder (0..31) and chooses the
// stretch from fromOrder (0..toOrder) on. The stretch ends before that frame, except that with
// toOrder 31 it ends with it: the show's black end frame, which marks the end of the video and so
// has no time of its own in it. False, with *error saying which, when the music cannot be opened
// or ends before that frame.
[[nodiscard]] bool RenderShowMusic(ShowMusic* music, uint32_t fps, int32_t fromOrder, int32_t toOrder,
                                   Stretch* stretch, std::string* error);

// The packed position of frame k: that of the slice holding its first sample. Frame k must lie
// within what RenderShowMusic rendered.
uint32_t FramePosition(const ShowMusic* music, uint32_t frame);
int32_t FrameOrder(const ShowMusic* music, uint32_t frame);
