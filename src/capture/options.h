// The capture's command line: its table of options, the record the options fill, with the
// table's defaults, and the reader.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "app/command_line.h"
#include "show/show_timing.h"

// The ids of the table's rows: one a field of CaptureOptions.
struct CaptureOption {
    enum Id : int { Video, Scale, Png, Wav, Raw, RawEvery, Replace, FlashReport, From, To, Fps, Gentle, Help, Count };
};

inline constexpr OptionRow CaptureOptionTable[] = {
    Heading("Outputs, in any combination (at least one):"),
    {.name = "-o", .kind = OptionKind::Text, .id = CaptureOption::Video, .argument = "FILE", .what = "a path",
     .help = "video with sound through ffmpeg: FILE.mkv lossless (H.264 RGB + FLAC),\n"
             "FILE.mp4 H.264 (crf 12) + AAC; a stream must be named so too (mkfifo out.mkv)"},
    {.name = "--scale", .kind = OptionKind::Number, .id = CaptureOption::Scale, .argument = "N", .low = 1, .high = 16,
     .initial = 4, .what = "a whole number",
     .help = "video pixels per picture pixel, nearest neighbour, {low}..{high} (default {default}: 1280 x 960)"},
    {.name = "--png", .kind = OptionKind::Text, .id = CaptureOption::Png, .argument = "DIR", .what = "a path",
     .help = "every frame as DIR/NNNNNN.png, the 320 x 240 landscape picture"},
    {.name = "--wav", .kind = OptionKind::Text, .id = CaptureOption::Wav, .argument = "FILE", .what = "a path",
     .help = "the music of the stretch, 16-bit stereo at 44100 Hz"},
    {.name = "--raw", .kind = OptionKind::Text, .id = CaptureOption::Raw, .argument = "DIR", .what = "a path",
     .help = "DIR/frames.csv (frame,order,row,millis,written; millis is the scene clock,\n"
             "which stands still at 3000 through orders 1 and 2) and the 240 x 320 RGB565\n"
             "buffer as drawn, little-endian, as DIR/NNNNNN.rgb565"},
    {.name = "--raw-every", .kind = OptionKind::Number, .id = CaptureOption::RawEvery, .argument = "N", .low = 1,
     .high = 1000000, .initial = 1, .what = "a whole number",
     .help = "write the buffer of every frame whose number is a multiple of N, {low}..{high}\n"
             "(default {default}); the stretch's first frame is always written"},
    {.name = "--replace", .id = CaptureOption::Replace,
     .help = "let --png and --raw replace the frames of an earlier capture in DIR (without\n"
             "it such a folder is refused); they are replaced only when the run completes"},
    {.name = "--flash-report", .kind = OptionKind::Text, .id = CaptureOption::FlashReport, .argument = "FILE",
     .what = "a path",
     .help = "screen every frame for flashing after WCAG 2.3.1's definitions: FILE gets\n"
             "per second the most flashes in one second and where, general and red (CSV);\n"
             "one line of summary goes to the standard output",
     .more = "A screen, not a certified test. Each line is a second of the show: the most general and red "
             "flashes in one second starting in it, and the window they were found in (its left and top pixel "
             "in the 320 x 240 picture)."},
    Heading("What to render:"),
    OrderOption("--from", CaptureOption::From, LastOrder, 0,
                "start at the first frame of this order, {low}..{high} (default {default})"),
    OrderOption("--to", CaptureOption::To, LastOrder, LastOrder,
                "end after the last frame of this order, {low}..{high} (default {default}: the whole show,\n"
                "ending with its black end frame)"),
    {.name = "--fps", .kind = OptionKind::Number, .id = CaptureOption::Fps, .argument = "N", .low = 1, .high = 1000,
     .initial = 60, .what = "a whole number", .help = "frames a second, {low}..{high} (default {default})"},
    {.name = "--gentle", .id = CaptureOption::Gentle,
     .help = "gentle mode: the show with its flashing softened to at most 3 flashes a second",
     .more = "Where the show flashes, each frame is blended into the last; everything else is drawn as it is."},
    HelpOption(CaptureOption::Help),
};
static_assert(EveryIdOnce(CaptureOptionTable, CaptureOption::Count));

consteval long CaptureDefault(int id)
{
    return OptionOf(CaptureOptionTable, id).initial;
}

struct CaptureOptions {
    std::string video;           // empty: none
    std::string videoContainer;  // "mkv" or "mp4", chosen by the video's extension
    std::string pngDir;
    std::string wavFile;
    std::string rawDir;
    uint32_t rawEvery = static_cast<uint32_t>(CaptureDefault(CaptureOption::RawEvery));
    int scale = static_cast<int>(CaptureDefault(CaptureOption::Scale));
    int32_t fromOrder = static_cast<int32_t>(CaptureDefault(CaptureOption::From));
    int32_t toOrder = static_cast<int32_t>(CaptureDefault(CaptureOption::To));
    uint32_t fps = static_cast<uint32_t>(CaptureDefault(CaptureOption::Fps));
    bool replace = false;
    std::string flashReport;  // the flash screen of every frame, as CSV; empty: none
    bool gentle = false;      // the frames as gentle mode shows them (flash/gentle.h)
    bool help = false;
};

// Reads the arguments after the program name. False with a one-line reason for anything it does
// not take: an unknown option, a missing or malformed value, a value out of range, an option
// given twice, an unknown video file type, --from past --to, or no output at all.
[[nodiscard]] bool ParseOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error);

// The usage text, for --help and after a bad argument.
extern const char* const UsageText;
// What each exit code means, for the man page.
extern const std::span<const ExitRow> CaptureExitCodes;
