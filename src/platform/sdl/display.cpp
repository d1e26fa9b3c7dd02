#include "platform/sdl/display.h"

#include <atomic>
#include <cstdio>
#include <string>

#include <GL/gl.h>
#include <SDL.h>

#include "display/convert.h"
#include "frame/frame.h"
#include "platform/sdl/desktop.h"

static SDL_Window* SdlWindow = nullptr;
static SDL_GLContext Context = nullptr;
static GLuint DisplayTexture = 0;
// On a cache-line boundary: the conversion writes whole 64-byte lines where it can.
alignas(64) static uint8_t TextureStaging[StagingBytes];
static std::atomic<bool> QuitRequested{false};
static int ScreenIndex = 0;
static bool Windowed = false;
static int WindowWidth = 960, WindowHeight = 720;

// The quad's corners: texture coordinate then vertex, window top left, top right, bottom right,
// bottom left. The buffer's row 0 lands on the window's right edge, its column 0 on the top edge.
struct Corner {
    float s, t;
    int x, y;
};
constexpr float TexelStep = 1.0f / StagingSize;
static const Corner Corners[4] = {
    {0, BufferHeight * TexelStep, 0, BufferHeight},
    {0, 0, BufferWidth, BufferHeight},
    {BufferWidth * TexelStep, 0, BufferWidth, 0},
    {BufferWidth * TexelStep, BufferHeight * TexelStep, 0, 0},
};

// Sees every event as SDL queues it, so a quick Escape press or a close request is never lost
// while the frame loop takes only one event per frame.
static int WatchEvents(void*, SDL_Event* e)
{
    if ((e->type == SDL_KEYDOWN && e->key.keysym.scancode == SDL_SCANCODE_ESCAPE) || e->type == SDL_QUIT ||
        (e->type == SDL_WINDOWEVENT && e->window.event == SDL_WINDOWEVENT_CLOSE))
        QuitRequested = true;
    SeeNativeEvent(e);
    return 1;
}

static bool Fail(const char* what, std::string* error)
{
    *error = std::string(what) + ": " + SDL_GetError();
    return false;
}

void ChooseDisplay(int display, bool window, int width, int height)
{
    ScreenIndex = display;
    Windowed = window;
    WindowWidth = width;
    WindowHeight = height;
}

static bool StartVideo(std::string* error)
{
    // Without WAYLAND_DISPLAY and XDG_RUNTIME_DIR no Wayland compositor can be reached, and
    // libwayland's probe would print its own complaint before our message: leave it out.
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr && SDL_getenv("WAYLAND_DISPLAY") == nullptr &&
        SDL_getenv("XDG_RUNTIME_DIR") == nullptr) {
        std::string drivers;
        for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i)
            if (SDL_strcmp(SDL_GetVideoDriver(i), "wayland") != 0)
                drivers += std::string(drivers.empty() ? "" : ",") + SDL_GetVideoDriver(i);
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return Fail(NoDisplayText, error);
    // Without a display SDL falls back to drivers that show nothing; only take one if asked to.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr && driver != nullptr &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) {
        SDL_SetError("no desktop display, only SDL's %s driver", driver);
        return Fail(NoDisplayText, error);
    }
    return true;
}

int CountScreens()
{
    std::string error;
    return StartVideo(&error) ? SDL_GetNumVideoDisplays() : -1;
}

bool ListDisplays(std::string* text, std::string* error)
{
    if (!StartVideo(error))
        return false;
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect bounds{};
        SDL_GetDisplayBounds(i, &bounds);
        const char* name = SDL_GetDisplayName(i);
        *text += std::to_string(i) + "  " + (name != nullptr ? name : "(no name)") + "  " + std::to_string(bounds.w) +
                 "x" + std::to_string(bounds.h) + "\n";
    }
    return true;
}

bool CreateDisplay(std::string* error)
{
    if (!StartVideo(error))
        return false;
    const int screens = SDL_GetNumVideoDisplays();
    if (ScreenIndex >= screens) {
        *error = "there is no screen " + std::to_string(ScreenIndex) + ": SDL sees " + std::to_string(screens) +
                 " (--list-displays lists them)";
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (Windowed) {
        const int centred = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(ScreenIndex));
        SdlWindow = SDL_CreateWindow("sideways", centred, centred, WindowWidth, WindowHeight,
                                     SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
        if (SdlWindow == nullptr)
            return Fail("cannot open a window", error);
    } else {
        // Placed and sized on the screen as well, so the window covers it even where no window
        // manager carries out the full-screen request.
        SDL_Rect screen{};
        if (SDL_GetDisplayBounds(ScreenIndex, &screen) != 0)
            return Fail("cannot read the screen size", error);
        SdlWindow = SDL_CreateWindow("sideways", screen.x, screen.y, screen.w, screen.h,
                                     SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS |
                                         SDL_WINDOW_SHOWN);
        if (SdlWindow == nullptr)
            return Fail("cannot open a full-screen window", error);
    }
    Context = SDL_GL_CreateContext(SdlWindow);
    if (Context == nullptr)
        return Fail("cannot create an OpenGL context", error);
    SDL_AddEventWatch(WatchEvents, nullptr);
    WatchNativeWindow(SdlWindow);
    if (!Windowed)
        SDL_ShowCursor(SDL_DISABLE);
    SDL_RaiseWindow(SdlWindow);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, BufferWidth, 0, BufferHeight, 0, -1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapWindow(SdlWindow);

    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &DisplayTexture);
    glBindTexture(GL_TEXTURE_2D, DisplayTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, StagingSize, StagingSize, 0, GL_RGB, GL_BYTE, TextureStaging);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return true;
}

void ConvertForDisplay()
{
    ConvertFrame(Framebuffer, TextureStaging);
}

void UploadAndSwap()
{
    glTexImage2D(GL_TEXTURE_2D, 0, 3, StagingSize, StagingSize, 0, GL_RGB, GL_BYTE, TextureStaging);
    // The window may reach its full-screen size only after the context was made, and a window
    // may be resized at any time; follow it. A window keeps the picture's 4:3 shape.
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(SdlWindow, &width, &height);
    int x = 0, y = 0, w = width, h = height;
    if (Windowed) {
        if (int64_t{width} * 3 > int64_t{height} * 4)
            w = height * 4 / 3;
        else
            h = width * 3 / 4;
        x = (width - w) / 2;
        y = (height - h) / 2;
    }
    glViewport(x, y, w, h);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    for (const Corner& c : Corners) {
        glTexCoord2f(c.s, c.t);
        glVertex3i(c.x, c.y, 0);
    }
    glEnd();
    SDL_GL_SwapWindow(SdlWindow);
}

void PresentFrame()
{
    ConvertForDisplay();
    UploadAndSwap();
}

uint32_t DisplayTicks() { return SDL_GetTicks(); }

bool PollQuit()
{
    SDL_PumpEvents();
    const bool gone = NativeWindowGone();
    static bool told = false;
    if (gone && !told) {
        std::fprintf(stderr, "sideways: the window was closed by another program; the show ends\n");
        told = true;
    }
    const bool down = SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE] != 0;
    return QuitRequested.exchange(false) || down || gone;
}

void ShowMessage(const char* text, const char* caption)
{
    std::fprintf(stderr, "sideways: %s: %s\n", caption, text);
    if (ShowDesktopBox(SdlWindow, caption, text, PollQuit))
        QuitRequested = true;
}

void CloseDisplay()
{
    if (Context != nullptr)
        SDL_GL_DeleteContext(Context);
    Context = nullptr;
    if (SdlWindow != nullptr)
        SDL_DestroyWindow(SdlWindow);
    SdlWindow = nullptr;
    ReleaseNativeWindow();
    SDL_Quit();
}

bool PumpMessage()
{
    SDL_Event e;
    return SDL_PollEvent(&e) != 0;
}
