#include "app/viewer_options.h"

#include <string>
#include <vector>

const char* const ViewerVersionText = "sideways " SIDEWAYS_VERSION "\n";

static const std::string ViewerUsage =
    OptionHelp("sideways [options]", "Plays the show on the whole screen, from the beginning to the end; Escape ends it.",
               ViewerOptionTable);
const char* const ViewerUsageText = ViewerUsage.c_str();

static constexpr ExitRow ViewerExitTable[] = {
    {ExitDone, "The show ended: by Escape, at the end of the music or because another program destroyed its "
               "window; or a list, the usage text or the version was asked for."},
    {ExitFailed, "It could not run or went wrong: no display, no sound output (\"Init FAIL\"), no OpenGL, an "
                 "empty list. A message on standard error says which."},
    {ExitBadArguments, "A bad command line, or a screen that is not there: the message and the usage text go to "
                       "standard error."},
};
const std::span<const ExitRow> ViewerExitCodes = ViewerExitTable;

// Puts one given option into the record. A switch over every id, so a row whose id has no case
// here does not build.
static void Store(const GivenOption& g, ViewerOptions* o)
{
    const auto number = static_cast<int32_t>(g.number);
    switch (static_cast<ViewerOption::Id>(g.row->id)) {
    case ViewerOption::Window:
        o->window = true;
        if (g.width != 0) {
            o->windowWidth = static_cast<int32_t>(g.width);
            o->windowHeight = static_cast<int32_t>(g.height);
        }
        break;
    case ViewerOption::Display: o->display = number; break;
    case ViewerOption::ListDisplays: o->listDisplays = true; break;
    case ViewerOption::Gentle: o->gentle = true; break;
    case ViewerOption::AudioOffset: o->audioOffsetMillis = number; break;
    case ViewerOption::AudioDevice: o->audioDevice = g.text; break;
    case ViewerOption::ListAudioDevices: o->listAudioDevices = true; break;
    case ViewerOption::Mute: o->mute = true; break;
    case ViewerOption::From: o->fromOrder = number; break;
    case ViewerOption::Loop: o->loop = true; break;
    case ViewerOption::Help: o->help = true; break;
    case ViewerOption::Version: o->version = true; break;
    case ViewerOption::Count: break;
    }
}

bool ParseViewerOptions(int argc, const char* const* argv, const char* offsetVariable, ViewerOptions* o,
                        std::string* error)
{
    *o = ViewerOptions{};
    std::vector<GivenOption> given;
    if (!ParseCommandLine(ViewerOptionTable, argc, argv, &given, error))
        return false;
    for (const GivenOption& g : given)
        Store(g, o);
    if (o->help || o->version)
        return true;
    long offset = 0;
    if (FindGiven(given, ViewerOption::AudioOffset) == nullptr && offsetVariable != nullptr &&
        offsetVariable[0] != '\0') {
        if (!ParseOptionNumber(OptionOf(ViewerOptionTable, ViewerOption::AudioOffset), "SIDEWAYS_AUDIO_OFFSET_MS",
                               offsetVariable, &offset, error))
            return false;
        o->audioOffsetMillis = static_cast<int32_t>(offset);
    }
    if (o->mute && !o->audioDevice.empty()) {
        *error = "--mute plays on no output, so --audio-device has nothing to choose";
        return false;
    }
    return true;
}
