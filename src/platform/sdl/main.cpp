// The demo: the show on SDL and OpenGL with libopenmpt's sound through SDL audio. With
// SIDEWAYS_FPS=1 in the environment it also prints the frame rate to stderr at exit.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/driver.h"
#include "platform/sdl/display.h"
#include "app/frame_rate.h"
#include "platform/sdl/sound.h"

static FrameRate Rate;

static void PresentAndCount()
{
    PresentFrame();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    CountFrame(&Rate, std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

int main()
{
    const bool showRate = FrameRateWanted(std::getenv("SIDEWAYS_FPS"));
    const Platform platform = {CreateDisplay, showRate ? PresentAndCount : PresentFrame, DisplayTicks, PollQuit,
                               ShowMessage, PumpMessage, SdlSound};
    const int exitCode = RunDemo(&platform);
    if (showRate)
        std::fputs(FrameRateReport(&Rate).c_str(), stderr);
    return exitCode;
}
