#include "capture/options.h"

#include <string>
#include <vector>

// Made from the table when the program loads.
static const std::string Usage = OptionHelp(
    "sideways-capture [options]",
    "Renders the show offline, frame by frame in step with the music, with no window or sound card.",
    CaptureOptionTable);
const char* const UsageText = Usage.c_str();

static constexpr ExitRow CaptureExitTable[] = {
    {ExitDone, "Every output was written and put in place."},
    {ExitFailed, "An output could not be written or put in place, or ffmpeg failed; the message on standard error "
                 "says which. What was in place before stays, unless the message names an output that already "
                 "went in."},
    {ExitBadArguments, "A bad command line: the message and the usage text go to standard error."},
    {ExitSignalBase, "Stopped by signal N (Ctrl-C, SIGTERM or SIGHUP). Before the final step nothing changed; "
                     "during it the message names what was already in place."},
};
const std::span<const ExitRow> CaptureExitCodes = CaptureExitTable;

static bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Puts one given option into the record. A switch over every id, so a row whose id has no case
// here does not build.
static void Store(const GivenOption& g, CaptureOptions* o)
{
    switch (static_cast<CaptureOption::Id>(g.row->id)) {
    case CaptureOption::Video: o->video = g.text; break;
    case CaptureOption::Scale: o->scale = static_cast<int>(g.number); break;
    case CaptureOption::Png: o->pngDir = g.text; break;
    case CaptureOption::Wav: o->wavFile = g.text; break;
    case CaptureOption::Raw: o->rawDir = g.text; break;
    case CaptureOption::RawEvery: o->rawEvery = static_cast<uint32_t>(g.number); break;
    case CaptureOption::Replace: o->replace = true; break;
    case CaptureOption::FlashReport: o->flashReport = g.text; break;
    case CaptureOption::From: o->fromOrder = static_cast<int32_t>(g.number); break;
    case CaptureOption::To: o->toOrder = static_cast<int32_t>(g.number); break;
    case CaptureOption::Fps: o->fps = static_cast<uint32_t>(g.number); break;
    case CaptureOption::Gentle: o->gentle = true; break;
    case CaptureOption::Help: o->help = true; break;
    case CaptureOption::Count: break;
    }
}

bool ParseOptions(int argc, const char* const* argv, CaptureOptions* o, std::string* error)
{
    *o = CaptureOptions{};
    std::vector<GivenOption> given;
    if (!ParseCommandLine(CaptureOptionTable, argc, argv, &given, error))
        return false;
    for (const GivenOption& g : given)
        Store(g, o);
    if (o->help)
        return true;
    for (const char* container : {"mkv", "mp4"})
        if (EndsWith(o->video, std::string(".") + container))
            o->videoContainer = container;
    if (!o->video.empty() && o->videoContainer.empty()) {
        *error = "-o makes .mkv or .mp4 files, not '" + o->video + "'";
        return false;
    }
    if (o->fromOrder > o->toOrder) {
        *error = "--from " + std::to_string(o->fromOrder) + " comes after --to " + std::to_string(o->toOrder);
        return false;
    }
    if (FindGiven(given, CaptureOption::RawEvery) != nullptr && o->rawDir.empty()) {
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
