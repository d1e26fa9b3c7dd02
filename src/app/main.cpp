// The demo: the show on SDL and OpenGL with libopenmpt's sound through SDL audio.
#include "app/driver.h"
#include "display/display.h"
#include "sound/sound_sdl.h"

int main()
{
    const Platform platform = {CreateDisplay, PresentFrame, DisplayTicks, PollQuit, ShowMessage, PumpMessage, SdlSound};
    return RunDemo(&platform);
}
