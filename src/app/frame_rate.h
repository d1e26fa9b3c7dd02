// The frame rate the demo prints at exit when asked to (SIDEWAYS_FPS=1); off by default, as the
// show itself logs nothing. Counted on the main thread, around PresentFrame.
#pragma once
#include <cstdint>
#include <string>

struct FrameRate {
    uint64_t calls = 0;      // every CountFrame call, the start frame included
    int64_t firstNanos = 0;  // the clock at the first frame of the loop
    int64_t lastNanos = 0;   // the clock at the latest frame
};

// True when the environment value asks for the frame rate: exactly "1". Null (unset) is false.
bool FrameRateWanted(const char* value);

// Called right after each PresentFrame with a steady clock in nanoseconds. The first call is the
// black start frame, shown before the tables are built: it is not counted, and the clock starts
// at the second.
void CountFrame(FrameRate* rate, int64_t nanos);

// Frames per second from the first frame of the loop to the last: the frames after the first over
// the time between them. 0 when the loop showed fewer than two frames or no time passed.
double FramesPerSecond(const FrameRate* rate);

// The line printed to stderr at exit, newline included, e.g.
// "sideways: 612.4 frames per second (7349 frames in 12.00 s)\n".
std::string FrameRateReport(const FrameRate* rate);
