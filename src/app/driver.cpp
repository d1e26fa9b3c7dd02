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

    Region records[4] = {};
    int32_t order = 0, row = 0;
    Framebuffer = static_cast<uint16_t*>(AllocateMemory(BufferPixels * sizeof(uint16_t)));
    if (Framebuffer == nullptr) {
        Report("out of memory for the frame buffer");
        sound.Free();
        return 1;
    }
    FadePicture(RegionFull(&records[0]), 0);
    platform->PresentFrame();
    if (!BuildTables(&records[0])) {
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
            ElapsedMillis = platform->Ticks() - StartTick;
            if (platform->PollQuit())
                QuitFlag = 1;
            ElapsedSeconds = ElapsedMillis / 1000;
            const uint32_t p = sound.MusicGetPosition();
            if (p != PositionUnknown) {
                order = static_cast<int32_t>(p & 0xFFFF);
                row = static_cast<int32_t>(p >> 16);
            }
            DrawScene(order, row, records);
            platform->PresentFrame();
            platform->PumpMessage();
        } while (!QuitFlag && order < LastOrder);
    }

    sound.Free();
    std::free(Framebuffer);
    Framebuffer = nullptr;
    return exitCode;
}
