#include "app/viewer_options.h"

#include <set>

#include "app/command_line.h"
#include "app/show_timing.h"

const char* const ViewerVersionText = "sideways " SIDEWAYS_VERSION "\n";

const char* const ViewerUsageText =
    "usage: sideways [options]\n"
    "Plays the show on the whole screen, from the beginning to the end; Escape ends it.\n"
    "Picture:\n"
    "  --window [WxH]        a resizable window, WxH pixels (default 960x720, each side 64..16384);\n"
    "                        the picture keeps its 4:3 shape with black bars\n"
    "  --display N           the screen to show on, 0..63 (default 0)\n"
    "  --list-displays       print the screens: index, name, size\n"
    "Sound:\n"
    "  --audio-offset MS     show the picture MS milliseconds later than the sound it follows,\n"
    "                        -1000..1000 (default 0, or SIDEWAYS_AUDIO_OFFSET_MS)\n"
    "  --audio-device NAME   play on this output instead of the default one\n"
    "  --list-audio-devices  print the sound outputs' names\n"
    "  --mute                no sound: the show follows the music's clock in silence\n"
    "What to play:\n"
    "  --from ORDER          start at the first row of this order, 0..31 (default 0)\n"
    "  --loop                start again from the beginning when the show ends, until Escape\n"
    "  -h, --help            this text\n"
    "  --version             the program's version\n";

// WIDTHxHEIGHT, each side 64..16384.
static bool ParseSize(const std::string& text, int32_t* width, int32_t* height)
{
    const size_t x = text.find('x');
    long w = 0, h = 0;
    if (x == std::string::npos || !ParseWholeNumber(text.substr(0, x), 64, 16384, &w) ||
        !ParseWholeNumber(text.substr(x + 1), 64, 16384, &h))
        return false;
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return true;
}

static bool ParseOffset(const std::string& name, const std::string& value, int32_t* millis, std::string* error)
{
    long n = 0;
    if (!ParseWholeNumber(value, -1000, 1000, &n)) {
        *error = name + " takes milliseconds from -1000 to 1000, not '" + value + "'";
        return false;
    }
    *millis = static_cast<int32_t>(n);
    return true;
}

ViewerOptions DefaultViewerOptions()
{
    return ViewerOptions{false, 960, 720, 0, 0, "", 0, false, false, false, false, false, false};
}

bool ParseViewerOptions(int argc, const char* const* argv, const char* offsetVariable, ViewerOptions* o,
                        std::string* error)
{
    *o = DefaultViewerOptions();
    std::set<std::string> seen;
    for (int i = 0; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "-h" || name == "--help") {
            o->help = true;
            return true;
        }
        if (name == "--version") {
            o->version = true;
            return true;
        }
        static const std::set<std::string> flags = {"--window", "--list-displays", "--list-audio-devices", "--loop",
                                                    "--mute"};
        static const std::set<std::string> valued = {"--display", "--audio-offset", "--audio-device", "--from"};
        if (flags.count(name) == 0 && valued.count(name) == 0) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (!seen.insert(name).second) {
            *error = name + " given twice";
            return false;
        }
        if (name == "--window") {
            o->window = true;
            // The size is optional: it is the next argument unless that is an option.
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                const std::string value = argv[++i];
                if (!ParseSize(value, &o->windowWidth, &o->windowHeight)) {
                    *error = "--window takes a size WIDTHxHEIGHT, each from 64 to 16384, not '" + value + "'";
                    return false;
                }
            }
            continue;
        }
        if (flags.count(name) != 0) {
            (name == "--list-displays" ? o->listDisplays
             : name == "--list-audio-devices" ? o->listAudioDevices
             : name == "--loop" ? o->loop
                                : o->mute) = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = name + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        long n = 0;
        if (name == "--display") {
            if (!ParseWholeNumber(value, 0, 63, &n)) {
                *error = "--display takes a screen number from 0 to 63, not '" + value + "'";
                return false;
            }
            o->display = static_cast<int32_t>(n);
        } else if (name == "--audio-offset") {
            if (!ParseOffset(name, value, &o->audioOffsetMillis, error))
                return false;
        } else if (name == "--audio-device") {
            if (value.empty()) {
                *error = "--audio-device needs a name";
                return false;
            }
            o->audioDevice = value;
        } else {
            if (!ParseWholeNumber(value, 0, LastOrder, &n)) {
                *error = "--from takes an order from 0 to 31, not '" + value + "'";
                return false;
            }
            o->fromOrder = static_cast<int32_t>(n);
        }
    }
    if (seen.count("--audio-offset") == 0 && offsetVariable != nullptr && offsetVariable[0] != '\0' &&
        !ParseOffset("SIDEWAYS_AUDIO_OFFSET_MS", offsetVariable, &o->audioOffsetMillis, error))
        return false;
    if (o->mute && !o->audioDevice.empty()) {
        *error = "--mute plays on no output, so --audio-device has nothing to choose";
        return false;
    }
    return true;
}
