// The demo: the show on SDL and OpenGL with libopenmpt's sound through SDL audio, as the command
// line asks (--help). With SIDEWAYS_FPS=1 in the environment it also prints the frame rate, and
// what the software part of a frame and the upload and swap cost, to stderr at the end of a show
// that started.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "app/driver.h"
#include "assets/assets.h"
#include "app/frame_rate.h"
#include "app/viewer_options.h"
#include "platform/sdl/display.h"
#include "platform/sdl_sound/sound.h"

static FrameRate Rate;

static int64_t NowNanos()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

static void PresentAndCount()
{
    PresentMoments moments;
    ConvertForDisplay();
    moments.converted = NowNanos();
    UploadAndSwap();
    moments.swapped = NowNanos();
    CountTimedFrame(&Rate, &moments);
}

// --list-displays and --list-audio-devices: the lists asked for, then the end. An empty list is
// a failure: there is nothing to show the show on, or to play it on.
static int PrintLists(const ViewerOptions& options)
{
    using List = bool (*)(std::string* text, std::string* error);
    for (const auto& [wanted, list] : {std::pair<bool, List>{options.listDisplays, ListDisplays},
                                       std::pair<bool, List>{options.listAudioDevices, ListAudioDevices}}) {
        std::string text, error;
        if (!wanted)
            continue;
        if (!list(&text, &error)) {
            std::fprintf(stderr, "sideways: %s\n", error.c_str());
            return ExitFailed;
        }
        std::fputs(text.c_str(), stdout);
    }
    return ExitDone;
}

int main(int argc, char** argv)
{
    ViewerOptions options;
    std::string error;
    if (!ParseViewerOptions(argc - 1, argv + 1, std::getenv("SIDEWAYS_AUDIO_OFFSET_MS"), &options, &error)) {
        std::fprintf(stderr, "sideways: %s\n%s", error.c_str(), ViewerUsageText);
        return ExitBadArguments;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? ViewerUsageText : ViewerVersionText, stdout);
        return ExitDone;
    }
    if (options.listDisplays || options.listAudioDevices)
        return PrintLists(options);
    // A screen the system does not have is a bad argument like one out of range. Without a
    // display at all, CreateDisplay says so.
    if (const int screens = CountScreens(); screens >= 0 && options.display >= screens) {
        std::fprintf(stderr, "sideways: there is no screen %d: the system has %d (--list-displays lists them)\n%s",
                     options.display, screens, ViewerUsageText);
        return ExitBadArguments;
    }
    ChooseDisplay(options.display, options.window, options.windowWidth, options.windowHeight);
    const bool showRate = FrameRateWanted(std::getenv("SIDEWAYS_FPS"));
    const Platform platform = {CreateDisplay, showRate ? PresentAndCount : PresentFrame, DisplayTicks, PollQuit,
                               ShowMessage, PumpMessage, SdlSound, MusicModule};
    const int exitCode = RunDemo(&platform, &options);
    CloseDisplay();
    // A failed start showed no frames to measure.
    if (showRate && exitCode == ExitDone)
        std::fputs(FrameRateReport(&Rate).c_str(), stderr);
    return exitCode;
}
