#include "app/driver.h"

#include <cstdio>
#include <cstdlib>

#include "app/timeline.h"
#include "assets/assets.h"
#include "effects/effects.h"
#include "frame/frame.h"
#include "frame/tables.h"
#include "sound/music.h"

uint8_t QuitFlag = 0;
uint32_t StartTick = 0;

// Arguments of the sound calls: the default device at 44.1 kHz; load from memory.
constexpr int SoundDevice = -1;
constexpr uint32_t SoundFlags = 16;
constexpr uint32_t LoadFlags = 0x2000;

static void Report(const char* what)
{
    std::fprintf(stderr, "sideways: %s\n", what);
}

void DrawShowFrame(ShowState* show, uint32_t millis, uint32_t position)
{
    ElapsedMillis = millis;
    ElapsedSeconds = millis / 1000;
    if (position != PositionUnknown) {
        show->order = static_cast<int32_t>(position & 0xFFFF);
        show->row = static_cast<int32_t>(position >> 16);
    }
    DrawScene(show->order, show->row, show->records);
}

int RunDemo(const Platform* platform)
{
    const SoundTable& sound = platform->sound;
    QuitFlag = 0;
    ElapsedMillis = 0;
    ElapsedSeconds = 0;
    int exitCode = 0;

    if (!platform->CreateDisplay())
        return 1;

    if (!sound.Init(SoundDevice, MusicRate, SoundFlags)) {
        platform->ShowMessage("Init FAIL", "BASS");
        QuitFlag = 1;
        exitCode = 1;
    } else {
        sound.MusicFree();
        // The embedded module's size goes with it: a load from memory never reads past its end.
        if (!sound.MusicLoad(1, MusicModule.data(), 0, static_cast<uint32_t>(MusicModule.size()), LoadFlags)) {
            Report("the embedded music module could not be loaded");
            QuitFlag = 1;
            exitCode = 1;
        } else {
            sound.MusicGetLength(1);
        }
    }

    ShowState show = {};
    Framebuffer = static_cast<uint16_t*>(AllocateMemory(BufferPixels * sizeof(uint16_t)));
    if (Framebuffer == nullptr) {
        Report("out of memory for the frame buffer");
        sound.Free();
        return 1;
    }
    FadePicture(RegionFull(&show.records[0]), 0);
    platform->PresentFrame();
    if (!BuildTables(&show.records[0])) {
        Report("out of memory for the lookup tables");
        sound.Free();
        std::free(Framebuffer);
        Framebuffer = nullptr;
        return 1;
    }
    StartTick = platform->Ticks();
    sound.MusicPlay();

    if (!QuitFlag) {
        do {
            const uint32_t millis = platform->Ticks() - StartTick;
            if (platform->PollQuit())
                QuitFlag = 1;
            DrawShowFrame(&show, millis, sound.MusicGetPosition());
            platform->PresentFrame();
            platform->PumpMessage();
        } while (!QuitFlag && show.order < LastOrder);
    }

    sound.Free();
    std::free(Framebuffer);
    Framebuffer = nullptr;
    return exitCode;
}
