// The show in a browser page. The page calls SidewaysCompose while it waits to start (the music
// is composed here instead of downloaded), then SidewaysStart once audio may play; the frame loop
// then runs one frame per animation frame, and the page hears of the end through
// Module.onShowEnd(exitCode), and of an audio output that takes no sound through
// Module.onNoSound(), after which the show goes on without sound until Module.onSound(). The
// first frame shown sets
// the performance mark "sideways-first-frame". Each instance of the program plays the show once;
// the page makes a fresh instance to play it again.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/driver.h"
#include "compose/score.h"
#include "effects/loops.h"
#include "platform/sdl_sound/sound.h"
#include "platform/web/audio_clock.h"
#include "platform/web/display.h"
#include "sound/music.h"

// SDL's sound layer, with the show's clock counting the frames its output takes.
static int InitWithClock(int device, uint32_t rate, uint32_t flags)
{
    const int opened = SdlSound.Init(device, rate, flags);
    if (opened && device != SoundNoDevice)
        HookAudioClock();
    return opened;
}

static int PlayWithClock()
{
    const int played = SdlSound.MusicPlay();
    if (played)
        RestartAudioClock();
    return played;
}

static int MoveWithClock(uint32_t position)
{
    const int moved = SdlSound.MusicSetPosition(position);
    if (moved && SdlSound.MusicGetPosition() != PositionUnknown)
        RestartAudioClock();
    return moved;
}

static SoundTable WebSound()
{
    SoundTable sound = SdlSound;
    sound.Init = InitWithClock;
    sound.MusicPlay = PlayWithClock;
    sound.MusicSetPosition = MoveWithClock;
    return sound;
}

// The module the show plays, owned here for the instance's whole life, so that it outlives the
// decoder that reads it. The first instance composes it and hands the page a copy
// (Module.onComposed); a later one, made to play the show again, starts from that copy
// (Module.music) instead of composing again.
static std::vector<uint8_t> Music;

EM_JS(uint32_t, PageMusicBytes, (), { return Module.music ? Module.music.length : 0; });
EM_JS(void, CopyPageMusic, (uint8_t* to), { HEAPU8.set(Module.music, to); });

static bool ProvideMusic()
{
    if (!Music.empty())
        return true;
    if (const uint32_t bytes = PageMusicBytes(); bytes > 0) {
        Music.resize(bytes);
        CopyPageMusic(Music.data());
        return true;
    }
    std::string error;
    if (!ComposeSoundtrackBytes(&Music, &error)) {
        Music.clear();
        std::fprintf(stderr, "the music could not be composed: %s\n", error.c_str());
        return false;
    }
    EM_ASM({ if (Module.onComposed) Module.onComposed(HEAPU8.slice($0, $0 + $1)); }, Music.data(), Music.size());
    return true;
}

static Platform WebPlatform = {CreateWebDisplay, PresentWebFrame, AudioTicks, PollWebQuit,
                               ShowWebMessage, PumpWebMessage, WebSound(), {}};
static LiveShow TheShow;
static uint32_t FramesShown = 0;
static uint32_t HeardMillis = 0;
static bool GentleChosen = false;  // the page's choice for the next show

static void Finish()
{
    const int exitCode = EndShow(&TheShow);
    EM_ASM({ if (Module.onShowEnd) Module.onShowEnd($0); }, exitCode);
}

// An output that takes no sound would hold the show's clock, and with it the picture: the show
// goes on without sound instead, the music decoded at the page's pace from where it was heard
// last, and the page says why it is silent. When the output takes sound again (a device slow to
// start, a context the browser resumes), the music goes on there from where the show stands.
static void FollowTheOutput()
{
    if (AudioStalled()) {
        SetDeviceAside(AudioTicks());
        RunClockWithoutAudio();
        EM_ASM({ if (Module.onNoSound) Module.onNoSound(); });
    } else if (AudioBack()) {
        RunClockOnAudio(TakeDeviceBack(AudioTicks()));
        EM_ASM({ if (Module.onSound) Module.onSound(); });
    }
}

static void Frame()
{
    FollowTheOutput();
    ++FramesShown;
    HeardMillis = AudioTicks() - StartTick;
    const bool goesOn = ShowFrame(&TheShow);
    if (FramesShown == 1)
        EM_ASM({ performance.mark('sideways-first-frame'); });
    if (!goesOn) {
        emscripten_cancel_main_loop();
        Finish();
    }
}

extern "C" {

// Makes the music ready: composes it (about half a second, in which the page cannot repaint), or
// takes the page's copy. 1 when ready, 0 with the reason on stderr. The page calls it before
// SidewaysStart, which otherwise calls it itself.
EMSCRIPTEN_KEEPALIVE int SidewaysCompose() { return ProvideMusic() ? 1 : 0; }

// Starts the show; the page calls it once, when audio may play.
EMSCRIPTEN_KEEPALIVE void SidewaysStart()
{
    if (!ProvideMusic()) {
        EM_ASM({ if (Module.onShowEnd) Module.onShowEnd(1); });
        return;
    }
    WebPlatform.music = Music;
    ViewerOptions options;
    options.gentle = GentleChosen;
    if (!StartShow(&TheShow, &WebPlatform, &options)) {
        Finish();
        return;
    }
    // The browser's animation frames pace the loop; returning lets the page go on.
    emscripten_set_main_loop(Frame, 0, 0);
}

// Gentle mode (flash/gentle.h) on (1) or off (0): for the show to start, or at once for the one
// that runs. SidewaysGentle says which the show runs with.
EMSCRIPTEN_KEEPALIVE void SidewaysSetGentle(int on)
{
    GentleChosen = on != 0;
    if (GentleChosen && !TheShow.gentle)
        StartGentle(&TheShow.softened);
    TheShow.gentle = GentleChosen;
}
EMSCRIPTEN_KEEPALIVE int SidewaysGentle() { return TheShow.gentle ? 1 : 0; }

// What the page and its tests read: the position last drawn (order | row << 16), the clock at
// that frame: milliseconds of music heard (the scenes' own clock stands still at times),
// and the number of frames drawn.
EMSCRIPTEN_KEEPALIVE uint32_t SidewaysPosition()
{
    return PackPosition(static_cast<uint32_t>(TheShow.state.order), static_cast<uint32_t>(TheShow.state.row));
}
EMSCRIPTEN_KEEPALIVE uint32_t SidewaysMillis() { return HeardMillis; }
EMSCRIPTEN_KEEPALIVE uint32_t SidewaysFrames() { return FramesShown; }

// For the tests, while the show runs: draws and shows the frame of the given clock and position
// as the loop would, without touching the show's own state.
EMSCRIPTEN_KEEPALIVE void SidewaysDrawAt(uint32_t millis, uint32_t position)
{
    ShowState state = {};
    DrawShowFrame(&state, millis, position);
    PresentWebFrame();
}

// For the tests: the names of the page's forms of the pixel loops, as Module.loopForms; form k of
// SidewaysTimeDrawing is the k-th. Returns the page's own form's number.
EMSCRIPTEN_KEEPALIVE uint32_t SidewaysLoopForms()
{
    EM_ASM({ Module.loopForms = []; });
    for (const PixelLoops& loops : PixelLoopChoices())
        EM_ASM({ Module.loopForms.push(UTF8ToString($0)); }, loops.name);
    return static_cast<uint32_t>(&OwnLoops() - PixelLoopChoices().data());
}

// For the tests, while the show runs: the milliseconds a draw of that frame takes with form k of
// the loops, the mean of `times` draws in a row (the browser's clock is too coarse for one); the
// show's next frame replaces the drawing unseen, with the page's own form.
EMSCRIPTEN_KEEPALIVE double SidewaysTimeDrawing(uint32_t millis, uint32_t position, uint32_t times, uint32_t form)
{
    ShowState state = {};
    UsePixelLoops(PixelLoopChoices()[form]);
    const double start = emscripten_get_now();
    for (uint32_t k = 0; k < times; ++k)
        DrawShowFrame(&state, millis, position);
    const double took = (emscripten_get_now() - start) / times;
    UsePixelLoops(OwnLoops());
    return took;
}

// For the tests, while the show runs: shows every level of each channel, row y of the buffer
// holding red y % 32 in columns 0..79, green y % 64 in 80..159 and blue y % 32 in 160..239.
EMSCRIPTEN_KEEPALIVE void SidewaysDrawLevels()
{
    uint16_t* p = Framebuffer;
    for (int y = 0; y < BufferHeight; ++y) {
        const auto level = static_cast<uint32_t>(y);
        const uint16_t bands[3] = {PackLevels565(level & 31, 0, 0), PackLevels565(0, level & 63, 0),
                                   PackLevels565(0, 0, level & 31)};
        for (int x = 0; x < BufferWidth; ++x)
            *p++ = bands[x / 80];
    }
    PresentWebFrame();
}
}
