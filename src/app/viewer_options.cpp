#include "app/viewer_options.h"

#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"

const char* const ViewerVersionText = "sideways " SIDEWAYS_VERSION "\n";

static constexpr OptionRow AudioOffsetOption = {
    "--audio-offset", nullptr, OptionKind::Number, "MS", -1000, 1000, "milliseconds",
    "show the picture MS milliseconds later than the sound it follows,\n"
    "{low}..{high} (default 0, or SIDEWAYS_AUDIO_OFFSET_MS)"};

static constexpr OptionRow ViewerOptionTable[] = {
    Heading("Picture:"),
    {"--window", nullptr, OptionKind::Size, "[WxH]", 64, 16384, "a size WIDTHxHEIGHT",
     "a resizable window, WxH pixels (default 960x720, each side {low}..{high});\n"
     "the picture keeps its 4:3 shape with black bars"},
    {"--display", nullptr, OptionKind::Number, "N", 0, 63, "a screen number",
     "the screen to show on, {low}..{high} (default 0)"},
    {"--list-displays", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr, "print the screens: index, name, size"},
    {"--gentle", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr,
     "gentle mode: where the show flashes, each frame is blended into the last,\n"
     "so that no second holds more than 3 flashes"},
    Heading("Sound:"),
    AudioOffsetOption,
    {"--audio-device", nullptr, OptionKind::Text, "NAME", 0, 0, "a name",
     "play on this output instead of the default one"},
    {"--list-audio-devices", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr, "print the sound outputs' names"},
    {"--mute", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr,
     "no sound: the show follows the music's clock in silence"},
    Heading("What to play:"),
    OrderOption("--from", "start at the first row of this order, {low}..{high} (default 0)"),
    {"--loop", nullptr, OptionKind::Flag, nullptr, 0, 0, nullptr,
     "start again from the beginning when the show ends, until Escape"},
    HelpOption,
    {"--version", nullptr, OptionKind::Stop, nullptr, 0, 0, nullptr, "the program's version"},
};

// Made from the table when the program loads.
static const std::string ViewerUsage =
    OptionHelp("sideways [options]", "Plays the show on the whole screen, from the beginning to the end; Escape ends it.",
               ViewerOptionTable);
const char* const ViewerUsageText = ViewerUsage.c_str();

ViewerOptions DefaultViewerOptions()
{
    return ViewerOptions{false, 960, 720, 0, 0, "", 0, false, false, false, false, false, false, false};
}

bool ParseViewerOptions(int argc, const char* const* argv, const char* offsetVariable, ViewerOptions* o,
                        std::string* error)
{
    *o = DefaultViewerOptions();
    std::vector<GivenOption> given;
    if (!ParseCommandLine(ViewerOptionTable, argc, argv, &given, error))
        return false;
    for (const GivenOption& g : given) {
        const std::string_view name = g.row->name;
        const auto number = static_cast<int32_t>(g.number);
        if (name == "--window") {
            o->window = true;
            if (g.width != 0) {
                o->windowWidth = static_cast<int32_t>(g.width);
                o->windowHeight = static_cast<int32_t>(g.height);
            }
        } else if (name == "--display") {
            o->display = number;
        } else if (name == "--audio-offset") {
            o->audioOffsetMillis = number;
        } else if (name == "--audio-device") {
            o->audioDevice = g.text;
        } else if (name == "--from") {
            o->fromOrder = number;
        } else {
            (name == "--list-displays"       ? o->listDisplays
             : name == "--list-audio-devices" ? o->listAudioDevices
             : name == "--loop"               ? o->loop
             : name == "--mute"               ? o->mute
             : name == "--gentle"             ? o->gentle
             : name == "--help"               ? o->help
                                              : o->version) = true;
        }
    }
    if (o->help || o->version)
        return true;
    long offset = 0;
    if (FindGiven(given, "--audio-offset") == nullptr && offsetVariable != nullptr && offsetVariable[0] != '\0') {
        if (!ParseOptionNumber(AudioOffsetOption, "SIDEWAYS_AUDIO_OFFSET_MS", offsetVariable, &offset, error))
            return false;
        o->audioOffsetMillis = static_cast<int32_t>(offset);
    }
    if (o->mute && !o->audioDevice.empty()) {
        *error = "--mute plays on no output, so --audio-device has nothing to choose";
        return false;
    }
    return true;
}
