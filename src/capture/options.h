// The capture's command line.
#pragma once
#include <cstdint>
#include <string>

struct CaptureOptions {
    std::string video;     // -o FILE (.mkv or .mp4); empty: none
    std::string pngDir;    // --png DIR
    std::string wavFile;   // --wav FILE
    std::string rawDir;    // --raw DIR
    uint32_t rawEvery;     // --raw-every N: buffers of frames k with k % N == 0 (default 1)
    int scale;             // --scale N: the video's pixels per landscape pixel (default 4)
    int32_t fromOrder;     // --from ORDER (default 0)
    int32_t toOrder;       // --to ORDER (default 31, the end of the show)
    uint32_t fps;          // --fps N (default 60)
    bool replace;          // --replace: --png and --raw may replace an earlier capture's frames
    std::string flashReport;  // --flash-report FILE: the flash screen of every frame, as CSV
    bool gentle;           // --gentle: the frames as gentle mode shows them (flash/gentle.h)
    bool help;             // -h, --help
};

// Reads the arguments after the program name. False with a one-line reason for anything it does
// not take: an unknown option, a missing or malformed value, a value out of range, an option
// given twice, an unknown video file type, --from past --to, or no output at all.
bool ParseOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error);

// The usage text, for --help and after a bad argument.
extern const char* const UsageText;
