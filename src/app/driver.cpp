#include "app/driver.h"

#include <algorithm>
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

static void Report(const std::string& what) { Report(what.c_str()); }

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
    StartShowAt(show, 0);
    return true;
}

void StartShowAt(ShowState* show, int32_t order, uint32_t lastScroll)
{
    RestoreScrollerPicture();
    CutOutFont();
    for (int32_t earlier = order - 1; lastScroll == PositionUnknown && earlier >= 0; --earlier)
        if (SceneScrolls(earlier))
            lastScroll = PackPosition(static_cast<uint32_t>(earlier), RowsPerOrder - 1);
    // The scroller rewrites ScrollerPicture from its scroll position alone, so drawing that one
    // frame leaves the picture as every frame before it would have.
    if (lastScroll != PositionUnknown) {
        ShowState scrolled = {};
        DrawShowFrame(&scrolled, PositionOrder(lastScroll) * OrderMillis + PositionRow(lastScroll) * RowMillis,
                      lastScroll);
    }
    *show = {};
    show->order = order;
    ElapsedMillis = 0;
    ElapsedSeconds = 0;
    RegionFull(&show->records[0]);
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

int FindAudioDevice(const SoundTable* sound, const std::string& name)
{
    for (int device = 1;; ++device) {
        const char* n = sound->GetDeviceName(device);
        if (n == nullptr)
            return 0;
        if (name == n)
            return device;
    }
}

bool StartShow(LiveShow* show, const Platform* platform, const ViewerOptions* options)
{
    const SoundTable& sound = platform->sound;
    const ViewerOptions defaults;
    const ViewerOptions& o = options != nullptr ? *options : defaults;
    *show = LiveShow{platform, {}, 0, false, o.audioOffsetMillis, 0, o.loop, o.gentle, {}};
    QuitFlag = 0;

    int device = o.mute ? SoundNoDevice : SoundDefaultDevice;
    if (!o.audioDevice.empty() && (device = FindAudioDevice(&sound, o.audioDevice)) == 0) {
        Report("no sound output is named '" + o.audioDevice + "' (--list-audio-devices lists them)");
        show->exitCode = ExitFailed;
        return false;
    }

    std::string error;
    if (!platform->CreateDisplay(&error)) {
        Report(error.c_str());
        show->exitCode = ExitFailed;
        return false;
    }

    show->soundOpened = true;
    if (!sound.Init(device, MusicRate, SoundInitNoSync)) {
        platform->ShowMessage("Init FAIL", "BASS");
        QuitFlag = 1;
        show->exitCode = ExitFailed;
    } else {
        sound.MusicFree();
        // The module's size goes with it: a load from memory never reads past its end.
        const std::span<const uint8_t> music = platform->music;
        if (!sound.MusicLoad(1, music.data(), 0, static_cast<uint32_t>(music.size()), MusicLoadCalcLength)) {
            Report("the music module could not be loaded");
            QuitFlag = 1;
            show->exitCode = ExitFailed;
        } else {
            sound.MusicGetLength(1);
            if ((o.audioOffsetMillis != 0 && !sound.MusicSetDelay(o.audioOffsetMillis)) ||
                (o.fromOrder != 0 && !sound.MusicSetPosition(PackPosition(static_cast<uint32_t>(o.fromOrder), 0)))) {
                Report("the music cannot be shifted or moved as asked");
                QuitFlag = 1;
                show->exitCode = ExitFailed;
            }
        }
    }

    Framebuffer = static_cast<uint16_t*>(AllocateMemory(BufferPixels * sizeof(uint16_t)));
    if (Framebuffer == nullptr) {
        Report("out of memory for the frame buffer");
        show->exitCode = ExitFailed;
        return false;
    }
    if (!PrepareShow(&show->state, platform->PresentFrame, &error)) {
        Report(error.c_str());
        show->exitCode = ExitFailed;
        return false;
    }
    if (o.fromOrder != 0) {
        StartShowAt(&show->state, o.fromOrder);
        show->clockStart = static_cast<uint32_t>(o.fromOrder) * OrderMillis;
    }
    if (show->gentle)
        StartGentle(&show->softened);
    StartTick = platform->Ticks();
    sound.MusicPlay();
    return !QuitFlag;
}

// Presents the frame drawn, or in gentle mode the picture made from it: the platform shows the
// Framebuffer, so it points at that picture while it is presented, and back at the drawing, which
// the next frame goes on from, afterwards.
static void PresentShown(LiveShow* show, uint32_t millis)
{
    if (!show->gentle) {
        show->platform->PresentFrame();
        return;
    }
    uint16_t* drawn = Framebuffer;
    Framebuffer = const_cast<uint16_t*>(GentleFrame(&show->softened, drawn, millis));
    show->platform->PresentFrame();
    Framebuffer = drawn;
}

// Puts the show back to its first frame for another round, the music at order 0.
static bool StartAgain(LiveShow* show)
{
    if (!show->platform->sound.MusicSetPosition(PackPosition(0, 0))) {
        Report("the music cannot be moved back to its start");
        show->exitCode = ExitFailed;
        return false;
    }
    StartShowAt(&show->state, 0);
    show->clockStart = 0;
    StartTick = show->platform->Ticks();
    return true;
}

bool ShowFrame(LiveShow* show)
{
    const Platform* platform = show->platform;
    // The picture follows what is heard, offsetMillis later; it never runs back past the start.
    const int64_t clock = int64_t{show->clockStart} + (platform->Ticks() - StartTick) - show->offsetMillis;
    const uint32_t millis = static_cast<uint32_t>(std::max<int64_t>(clock, show->clockStart));
    if (platform->PollQuit())
        QuitFlag = 1;
    DrawShowFrame(&show->state, millis, platform->sound.MusicGetPosition());
    PresentShown(show, millis);
    platform->PumpMessage();
    if (QuitFlag)
        return false;
    if (show->state.order < LastOrder)
        return true;
    return show->loop && StartAgain(show);
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

int RunDemo(const Platform* platform, const ViewerOptions* options)
{
    LiveShow show;
    if (StartShow(&show, platform, options))
        while (ShowFrame(&show)) {
        }
    return EndShow(&show);
}
