#include "capture/options.h"

#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/show_timing.h"

static constexpr OptionRow CaptureOptionTable[] = {
    Heading("Outputs, in any combination (at least one):"),
    {"-o", nullptr, OptionKind::Text, "FILE", 0, 0, "a path",
     "video with sound through ffmpeg: FILE.mkv lossless (H.264 RGB + FLAC),\n"
     "FILE.mp4 H.264 (crf 12) + AAC"},
    {"--scale", nullptr, OptionKind::Number, "N", 1, 16, "a whole number",
     "video pixels per picture pixel, nearest neighbour, {low}..{high} (default 4: 1280 x 960)"},
    {"--png", nullptr, OptionKind::Text, "DIR", 0, 0, "a path",
     "every frame as DIR/NNNNNN.png, the 320 x 240 landscape picture"},
    {"--wav", nullptr, OptionKind::Text, "FILE", 0, 0, "a path", "the music of the stretch, 16-bit stereo at 44100 Hz"},
    {"--raw", nullptr, OptionKind::Text, "DIR", 0, 0, "a path",
     "DIR/frames.csv (frame,order,row,millis,written; millis is the scene clock,\n"
     "which stands still at 3000 through orders 1 and 2) and the 240 x 320 RGB565\n"
     "buffer as drawn, little-endian, as DIR/NNNNNN.rgb565"},
    {"--raw-every", nullptr, OptionKind::Number, "N", 1, 1000000, "a whole number",
     "write the buffer of every frame whose number is a multiple of N, {low}..{high}\n"
     "(default 1); the stretch's first frame is always written"},
    {"--replace", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr,
     "let --png and --raw replace the frames of an earlier capture in DIR (without\n"
     "it such a folder is refused); they are replaced only when the run completes"},
    {"--flash-report", nullptr, OptionKind::Text, "FILE", 0, 0, "a path",
     "screen every frame for flashing after WCAG 2.3.1's definitions: FILE gets\n"
     "per second the most flashes in one second and where, general and red (CSV);\n"
     "one line of summary goes to the standard output"},
    Heading("What to render:"),
    OrderOption("--from", "start at the first frame of this order, {low}..{high} (default 0)"),
    OrderOption("--to", "end after the last frame of this order, {low}..{high} (default {high}: the whole show,\n"
                        "ending with its black end frame)"),
    {"--fps", nullptr, OptionKind::Number, "N", 1, 1000, "a whole number", "frames a second, {low}..{high} (default 60)"},
    {"--gentle", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr,
     "gentle mode: the show with its flashing softened to at most 3 flashes a second"},
    HelpOption,
};

// Made from the table when the program loads.
static const std::string Usage = OptionHelp(
    "sideways-capture [options]",
    "Renders the show offline, frame by frame in step with the music, with no window or sound card.",
    CaptureOptionTable);
const char* const UsageText = Usage.c_str();

static bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool ParseOptions(int argc, const char* const* argv, CaptureOptions* o, std::string* error)
{
    *o = CaptureOptions{"", "", "", "", 1, 4, 0, LastOrder, 60, false, "", false, false};
    std::vector<GivenOption> given;
    if (!ParseCommandLine(CaptureOptionTable, argc, argv, &given, error))
        return false;
    for (const GivenOption& g : given) {
        const std::string_view name = g.row->name;
        if (name == "-o")
            o->video = g.text;
        else if (name == "--png")
            o->pngDir = g.text;
        else if (name == "--wav")
            o->wavFile = g.text;
        else if (name == "--raw")
            o->rawDir = g.text;
        else if (name == "--scale")
            o->scale = static_cast<int>(g.number);
        else if (name == "--raw-every")
            o->rawEvery = static_cast<uint32_t>(g.number);
        else if (name == "--fps")
            o->fps = static_cast<uint32_t>(g.number);
        else if (name == "--from" || name == "--to")
            (name == "--from" ? o->fromOrder : o->toOrder) = static_cast<int32_t>(g.number);
        else if (name == "--replace")
            o->replace = true;
        else if (name == "--flash-report")
            o->flashReport = g.text;
        else if (name == "--gentle")
            o->gentle = true;
        else
            o->help = true;
    }
    if (o->help)
        return true;
    if (!o->video.empty() && !EndsWith(o->video, ".mkv") && !EndsWith(o->video, ".mp4")) {
        *error = "-o makes .mkv or .mp4 files, not '" + o->video + "'";
        return false;
    }
    if (o->fromOrder > o->toOrder) {
        *error = "--from " + std::to_string(o->fromOrder) + " comes after --to " + std::to_string(o->toOrder);
        return false;
    }
    if (FindGiven(given, "--raw-every") != nullptr && o->rawDir.empty()) {
        *error = "--raw-every needs --raw";
        return false;
    }
    if (o->video.empty() && o->pngDir.empty() && o->wavFile.empty() && o->rawDir.empty() && o->flashReport.empty()) {
        *error = "nothing to write: give -o, --png, --wav, --raw or --flash-report";
        return false;
    }
    if (o->fromOrder == LastOrder && (!o->video.empty() || !o->wavFile.empty())) {
        *error = "--from 31 holds only the black end frame, which has no time for -o or --wav";
        return false;
    }
    return true;
}
