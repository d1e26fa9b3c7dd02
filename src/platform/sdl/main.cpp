// The demo: the show on SDL and OpenGL with libopenmpt's sound through SDL audio. With
// SIDEWAYS_FPS=1 in the environment it also prints the frame rate to stderr at the end of a show
// that started.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/driver.h"
#include "app/frame_rate.h"
#include "app/viewer_options.h"
#include "platform/sdl/display.h"
#include "platform/sdl/sound.h"

static FrameRate Rate;

static void PresentAndCount()
{
    PresentFrame();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    CountFrame(&Rate, std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

int main(int argc, char** argv)
{
    ViewerOptions options;
    std::string error;
    if (!ParseViewerOptions(argc - 1, argv + 1, std::getenv("SIDEWAYS_AUDIO_OFFSET_MS"), &options, &error)) {
        std::fprintf(stderr, "sideways: %s\n%s", error.c_str(), ViewerUsageText);
        return 2;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? ViewerUsageText : ViewerVersionText, stdout);
        return 0;
    }
    const bool showRate = FrameRateWanted(std::getenv("SIDEWAYS_FPS"));
    const Platform platform = {CreateDisplay, showRate ? PresentAndCount : PresentFrame, DisplayTicks, PollQuit,
                               ShowMessage, PumpMessage, SdlSound};
    const int exitCode = RunDemo(&platform);
    CloseDisplay();
    // A failed start showed no frames to measure.
    if (showRate && exitCode == 0)
        std::fputs(FrameRateReport(&Rate).c_str(), stderr);
    return exitCode;
}
