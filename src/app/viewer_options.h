// The live program's command line, shared by every platform's entry point.
#pragma once
#include <cstdint>
#include <string>

struct ViewerOptions {
    bool window;                     // --window [WxH]: a resizable window instead of the full screen
    int32_t windowWidth;             // the window's size (default 960 x 720)
    int32_t windowHeight;
    int32_t display;                 // --display N (default 0)
    int32_t audioOffsetMillis;       // --audio-offset MS or SIDEWAYS_AUDIO_OFFSET_MS, -1000..1000
    std::string audioDevice;         // --audio-device NAME; empty: the default output
    int32_t fromOrder;               // --from ORDER (default 0)
    bool loop;                       // --loop
    bool mute;                       // --mute
    bool gentle;                     // --gentle: flashing softened (flash/gentle.h)
    bool listDisplays;               // --list-displays
    bool listAudioDevices;           // --list-audio-devices
    bool help;                       // -h, --help
    bool version;                    // --version
};

// The show as it runs with no arguments.
ViewerOptions DefaultViewerOptions();

// Reads the arguments after the program name; offsetVariable is SIDEWAYS_AUDIO_OFFSET_MS from the
// environment (null when unset), which --audio-offset overrides. False with a one-line reason for
// an unknown option, a missing or malformed value, a value out of range or an option given twice.
bool ParseViewerOptions(int argc, const char* const* argv, const char* offsetVariable, ViewerOptions* options,
                        std::string* error);

// The usage text, for --help and after a bad argument, and the line --version prints.
extern const char* const ViewerUsageText;
extern const char* const ViewerVersionText;
