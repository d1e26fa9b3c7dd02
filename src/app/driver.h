// Start-up, the frame loop and shutdown, run against a small platform table so that the demo
// plugs in SDL and OpenGL and tests plug in the null platform. Everything runs on the calling
// thread.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "app/viewer_options.h"
#include "flash/gentle.h"
#include "frame/frame.h"
#include "sound/music.h"
#include "sound/sound.h"

struct Platform {
    // Opens the full-screen window and GL context and shows black; false, with *error saying why,
    // when there is no display or no OpenGL.
    bool (*CreateDisplay)(std::string* error);
    // Shows the Framebuffer: converts it, uploads it, draws the turned quad, swaps.
    void (*PresentFrame)();
    // A millisecond tick count that wraps at 2^32.
    uint32_t (*Ticks)();
    // True when Escape is down now, was pressed since the last poll, or the window was asked to
    // close.
    bool (*PollQuit)();
    // A modal box with one OK button; returns when it is dismissed.
    void (*ShowMessage)(const char* text, const char* caption);
    // Handles at most one pending window event; true if one was retrieved.
    bool (*PumpMessage)();
    SoundTable sound;
    // The XM module the show plays, loaded from memory into the sound layer at the start. The
    // platform owns the bytes and keeps them unchanged until EndShow has returned: the decoder
    // reads them while it is open.
    std::span<const uint8_t> music;
};

// Set when the sound fails to start or the viewer quits; StartShow clears it for a new show.
extern uint8_t QuitFlag;
// The tick taken right before the music started.
extern uint32_t StartTick;

// What the frame loop carries from one frame to the next: the last good play position (order 0,
// row 0 before any) and the records R1..R4, which keep their contents between frames.
struct ShowState {
    int32_t order, row;
    Region records[4];
};

// Start-up, for the live program and everything that draws the show offline: the Framebuffer
// black (then showBlack, when given, presents it), every lookup table built (the font cut out of
// ScrollerPicture as supplied, the scroll text encoded) and the show at its start (StartShowAt 0).
// The Framebuffer must be allocated. False, with *error saying why, when a table cannot be
// allocated. Main thread.
[[nodiscard]] bool PrepareShow(ShowState* show, void (*showBlack)(), std::string* error);

// Puts the show at the first row of order (0..LastOrder) as playing it from the start leaves it:
// row 0, the clock at 0, R1 filled for the whole buffer, the others zero, and ScrollerPicture as
// the scroller's last frame before order drew it: the frame at lastScroll when given, else at the
// last row of the last credits order before. May draw into the Framebuffer. Main thread.
void StartShowAt(ShowState* show, int32_t order, uint32_t lastScroll = PositionUnknown);

// One frame of the loop without the platform: sets the clock to millis (ElapsedSeconds = millis /
// 1000), takes position (packed order | row << 16) unless it is PositionUnknown, and draws the
// scene into the Framebuffer. The live loop and the offline capture both draw through this.
void DrawShowFrame(ShowState* show, uint32_t millis, uint32_t position);

// A show in progress on a platform: what StartShow opened, for ShowFrame and EndShow.
struct LiveShow {
    const Platform* platform;
    ShowState state;
    int exitCode;      // what EndShow returns unless something fails later
    bool soundOpened;  // the sound layer was asked to start: EndShow frees it
    int32_t offsetMillis;     // the picture trails what is heard by this much
    uint32_t clockStart;      // the clock at StartTick: where the music started playing
    bool loop;
    bool gentle;              // --gentle: the picture shown goes through gentle mode
    GentleMode softened;      // its state, carried from frame to frame
};

// Opens the display and the sound, shows a black frame, builds the tables and starts the music
// as the options say (none: the default output, from the start, once). True when the frame loop
// should run; false when the show ended already (the display, the sound or the memory failed, or
// no output has the asked name; the reason shown), and then only EndShow is left to call.
[[nodiscard]] bool StartShow(LiveShow* show, const Platform* platform, const ViewerOptions* options = nullptr);
// One frame of the loop: reads the quit request and the music position, draws, presents and
// handles a window event. False once the show is over (Escape or the first frame of order 31,
// after which --loop moves the music back to order 0 and goes on): then call EndShow. Main
// thread; a browser calls it once per animation frame.
[[nodiscard]] bool ShowFrame(LiveShow* show);
// Stops the sound and frees the frame buffer. Returns the exit code: 0 after the show ended
// (order 31 or Escape), 1 when the display, the sound or the memory failed.
int EndShow(LiveShow* show);

// The desktop's whole show: StartShow, ShowFrame until it is over, EndShow.
int RunDemo(const Platform* platform, const ViewerOptions* options = nullptr);

// The sound output named name (its number for SoundTable::Init), or 0 when there is none.
int FindAudioDevice(const SoundTable* sound, const std::string& name);
