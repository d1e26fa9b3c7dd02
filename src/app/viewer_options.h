// The live program's command line, shared by every platform's entry point: its table of options,
// the record the options fill, with the table's defaults, and the reader.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "app/command_line.h"
#include "show/show_timing.h"

// The ids of the table's rows: one a field (or pair of fields) of ViewerOptions.
struct ViewerOption {
    enum Id : int { Window, Display, ListDisplays, Gentle, AudioOffset, AudioDevice, ListAudioDevices, Mute, From,
                    Loop, Help, Version, Count };
};

inline constexpr OptionRow ViewerOptionTable[] = {
    Heading("Picture:"),
    {.name = "--window", .kind = OptionKind::Size, .id = ViewerOption::Window, .argument = "[WxH]", .low = 64,
     .high = 16384, .initial = 960, .initialHeight = 720, .what = "a size WIDTHxHEIGHT",
     .help = "a resizable window, WxH pixels (default {default}, each side {low}..{high});\n"
             "the picture keeps its 4:3 shape with black bars"},
    {.name = "--display", .kind = OptionKind::Number, .id = ViewerOption::Display, .argument = "N", .low = 0,
     .high = 63, .what = "a screen number", .help = "the screen to show on, {low}..{high} (default {default})",
     .more = "A screen the system does not have is a bad argument."},
    {.name = "--list-displays", .id = ViewerOption::ListDisplays, .help = "print the screens: index, name, size",
     .more = "One a line; then the program ends."},
    {.name = "--gentle", .id = ViewerOption::Gentle,
     .help = "gentle mode: where the show flashes, each frame is blended into the last,\n"
             "so that no second holds more than 3 flashes",
     .more = "For viewers sensitive to flashing, after the definitions of WCAG 2.3.1; scenes, timing and music "
             "are unchanged, and everything that does not flash is shown as drawn."},
    Heading("Sound:"),
    {.name = "--audio-offset", .kind = OptionKind::Number, .id = ViewerOption::AudioOffset, .argument = "MS",
     .low = -1000, .high = 1000, .what = "milliseconds",
     .help = "show the picture MS milliseconds later than the sound it follows,\n"
             "{low}..{high} (default {default}, or SIDEWAYS_AUDIO_OFFSET_MS)",
     .more = "A negative offset shows it earlier."},
    {.name = "--audio-device", .kind = OptionKind::Text, .id = ViewerOption::AudioDevice, .argument = "NAME",
     .what = "a name", .help = "play on this output instead of the default one"},
    {.name = "--list-audio-devices", .id = ViewerOption::ListAudioDevices, .help = "print the sound outputs' names",
     .more = "One a line; then the program ends."},
    {.name = "--mute", .id = ViewerOption::Mute, .help = "no sound: the show follows the music's clock in silence"},
    Heading("What to play:"),
    OrderOption("--from", ViewerOption::From, LastOrder, 0,
                "start at the first row of this order, {low}..{high} (default {default})"),
    {.name = "--loop", .id = ViewerOption::Loop,
     .help = "start again from the beginning when the show ends, until Escape"},
    HelpOption(ViewerOption::Help),
    {.name = "--version", .kind = OptionKind::Stop, .id = ViewerOption::Version, .help = "print the program's version"},
};
static_assert(EveryIdOnce(ViewerOptionTable, ViewerOption::Count));

consteval int32_t ViewerDefault(int id)
{
    return static_cast<int32_t>(OptionOf(ViewerOptionTable, id).initial);
}

struct ViewerOptions {
    bool window = false;  // a resizable window instead of the full screen, of this size:
    int32_t windowWidth = ViewerDefault(ViewerOption::Window);
    int32_t windowHeight = static_cast<int32_t>(OptionOf(ViewerOptionTable, ViewerOption::Window).initialHeight);
    int32_t display = ViewerDefault(ViewerOption::Display);
    int32_t audioOffsetMillis = ViewerDefault(ViewerOption::AudioOffset);  // or SIDEWAYS_AUDIO_OFFSET_MS
    std::string audioDevice;  // empty: the default output
    int32_t fromOrder = ViewerDefault(ViewerOption::From);
    bool loop = false;
    bool mute = false;
    bool gentle = false;  // flashing softened (flash/gentle.h)
    bool listDisplays = false;
    bool listAudioDevices = false;
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program name; offsetVariable is SIDEWAYS_AUDIO_OFFSET_MS from the
// environment (null when unset), which --audio-offset overrides. False with a one-line reason for
// an unknown option, a missing or malformed value, a value out of range or an option given twice.
[[nodiscard]] bool ParseViewerOptions(int argc, const char* const* argv, const char* offsetVariable,
                                      ViewerOptions* options, std::string* error);

// The usage text, for --help and after a bad argument, and the line --version prints.
extern const char* const ViewerUsageText;
extern const char* const ViewerVersionText;
// What each exit code means, for the man page.
extern const std::span<const ExitRow> ViewerExitCodes;
