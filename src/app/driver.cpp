#include "app/driver.h"

#include <cstdio>
#include <cstdlib>

#include "app/timeline.h"
#include "assets/assets.h"
#include "effects/effects.h"
#include "frame/frame.h"
#include "effects/tables.h"
#include "sound/music.h"

uint8_t QuitFlag = 0;
uint32_t StartTick = 0;

static void Report(const char* what)
{
    std::fprintf(stderr, "sideways: %s\n", what);
}

bool PrepareShow(ShowState* show, void (*showBlack)(), std::string* error)
{
    *show = {};
    ElapsedMillis = 0;
    ElapsedSeconds = 0;
    FadePicture(RegionFull(&show->records[0]), 0);
    if (showBlack != nullptr)
        showBlack();
    if (!BuildTables(&show->records[0])) {
        *error = "out of memory for the lookup tables";
        return false;
    }
    return true;
}

void DrawShowFrame(ShowState* show, uint32_t millis, uint32_t position)
{
    ElapsedMillis = millis;
    ElapsedSeconds = millis / 1000;
    if (position != PositionUnknown) {
        show->order = static_cast<int32_t>(PositionOrder(position));
        show->row = static_cast<int32_t>(PositionRow(position));
    }
    DrawScene(show->order, show->row, show->records);
}

bool StartShow(LiveShow* show, const Platform* platform)
{
    const SoundTable& sound = platform->sound;
    *show = LiveShow{platform, {}, 0, false};
    QuitFlag = 0;

    std::string error;
    if (!platform->CreateDisplay(&error)) {
        Report(error.c_str());
        show->exitCode = 1;
        return false;
    }

    show->soundOpened = true;
    if (!sound.Init(SoundDefaultDevice, MusicRate, SoundInitNoSync)) {
        platform->ShowMessage("Init FAIL", "BASS");
        QuitFlag = 1;
        show->exitCode = 1;
    } else {
        sound.MusicFree();
        // The embedded module's size goes with it: a load from memory never reads past its end.
        if (!sound.MusicLoad(1, MusicModule.data(), 0, static_cast<uint32_t>(MusicModule.size()), MusicLoadCalcLength)) {
            Report("the embedded music module could not be loaded");
            QuitFlag = 1;
            show->exitCode = 1;
        } else {
            sound.MusicGetLength(1);
        }
    }

    Framebuffer = static_cast<uint16_t*>(AllocateMemory(BufferPixels * sizeof(uint16_t)));
    if (Framebuffer == nullptr) {
        Report("out of memory for the frame buffer");
        show->exitCode = 1;
        return false;
    }
    if (!PrepareShow(&show->state, platform->PresentFrame, &error)) {
        Report(error.c_str());
        show->exitCode = 1;
        return false;
    }
    StartTick = platform->Ticks();
    sound.MusicPlay();
    return !QuitFlag;
}

bool ShowFrame(LiveShow* show)
{
    const Platform* platform = show->platform;
    const uint32_t millis = platform->Ticks() - StartTick;
    if (platform->PollQuit())
        QuitFlag = 1;
    DrawShowFrame(&show->state, millis, platform->sound.MusicGetPosition());
    platform->PresentFrame();
    platform->PumpMessage();
    return !QuitFlag && show->state.order < LastOrder;
}

int EndShow(LiveShow* show)
{
    if (show->soundOpened)
        show->platform->sound.Free();
    show->soundOpened = false;
    std::free(Framebuffer);
    Framebuffer = nullptr;
    return show->exitCode;
}

int RunDemo(const Platform* platform)
{
    LiveShow show;
    if (StartShow(&show, platform))
        while (ShowFrame(&show)) {
        }
    return EndShow(&show);
}
