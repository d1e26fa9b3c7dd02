// The frame rate the demo prints at exit when asked to (SIDEWAYS_FPS=1); off by default, as the
// show itself logs nothing. Counted on the main thread, around PresentFrame.
#pragma once
#include <cstdint>
#include <string>

// The time spent in one part of the frames timed so far.
struct FrameCost {
    uint64_t frames = 0;
    int64_t totalNanos = 0;
    int64_t worstNanos = 0;
};

struct FrameRate {
    uint64_t calls = 0;      // every CountFrame call, the start frame included
    int64_t firstNanos = 0;  // the clock at the first frame of the loop
    int64_t lastNanos = 0;   // the clock at the latest frame
    FrameCost software;      // drawing since the previous swap, plus the conversion
    FrameCost present;       // the upload, the draw of the quad and the swap
};

// The moments of one presentation on the steady clock, in nanoseconds: when the conversion ended
// and when the swap returned.
struct PresentMoments {
    int64_t converted, swapped;
};

// True when the environment value asks for the frame rate: exactly "1". Null (unset) is false.
[[nodiscard]] bool FrameRateWanted(const char* value);

// Called right after each PresentFrame with a steady clock in nanoseconds. The first call is the
// black start frame, shown before the tables are built: it is not counted, and the clock starts
// at the second.
void CountFrame(FrameRate* rate, int64_t nanos);

// CountFrame(rate, moments->swapped), and from the second frame of the loop on, the frame's
// software time (from the previous swap to the end of the conversion) and its upload-and-swap time
// go into the costs. The first frame of the loop comes after the tables are built, which is no
// part of drawing it.
void CountTimedFrame(FrameRate* rate, const PresentMoments* moments);

// Frames per second from the first frame of the loop to the last: the frames after the first over
// the time between them. 0 when the loop showed fewer than two frames or no time passed.
double FramesPerSecond(const FrameRate* rate);

// The lines printed to stderr at exit, each ending in a newline, e.g.
// "sideways: 612.4 frames per second (7349 frames in 12.00 s)\n"; when frames were timed, also
// "sideways: software (draw + conversion) mean 0.052 ms, worst 0.310 ms\n" and
// "sideways: upload and swap mean 1.200 ms, worst 16.700 ms\n".
std::string FrameRateReport(const FrameRate* rate);
