#include "platform/sdl/display.h"

#if defined(__linux__)
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include <GL/gl.h>
#include <SDL.h>
#if defined(__linux__)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#endif

#include "display/convert.h"
#include "frame/frame.h"

static SDL_Window* SdlWindow = nullptr;
static SDL_GLContext Context = nullptr;
// The X11 connection and window under SdlWindow, when SDL runs on X11.
#if defined(__linux__)
static Display* XDisplay = nullptr;
static ::Window XWindow = 0;
static int (*PreviousXErrorHandler)(Display*, XErrorEvent*) = nullptr;
// Set once another client destroyed the window: the show ends, and X errors about it are expected.
#endif
static std::atomic<bool> WindowGone{false};
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
#if defined(__linux__)
    if (e->type == SDL_SYSWMEVENT && e->syswm.msg->subsystem == SDL_SYSWM_X11) {
        const XEvent& x = e->syswm.msg->msg.x11.event;
        if (x.type == DestroyNotify && x.xdestroywindow.window == XWindow) {
            WindowGone = true;
            QuitRequested = true;
        }
    }
#endif
    return 1;
}

#if defined(__linux__)
// Errors about a window that another client destroyed end the show instead of the program.
static int OnXError(Display* display, XErrorEvent* e)
{
    if (XWindow != 0 && (e->resourceid == XWindow || WindowGone)) {
        WindowGone = true;
        QuitRequested = true;
        return 0;
    }
    return PreviousXErrorHandler != nullptr ? PreviousXErrorHandler(display, e) : 0;
}

// Notes the X11 window and connection, watches for the window's destruction and takes the X errors
// that come after it.
static void WatchXWindow()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(SdlWindow, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    XDisplay = info.info.x11.display;
    XWindow = info.info.x11.window;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    PreviousXErrorHandler = XSetErrorHandler(OnXError);
}
#endif

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
    constexpr const char* NoDisplay = "cannot open the display (is an X11 or Wayland session running and DISPLAY set?)";
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return Fail(NoDisplay, error);
    // Without a display SDL falls back to drivers that show nothing; only take one if asked to.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr && driver != nullptr &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) {
        SDL_SetError("no X11 or Wayland display, only SDL's %s driver", driver);
        return Fail(NoDisplay, error);
    }
    return true;
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
#if defined(__linux__)
    WatchXWindow();
#endif
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

void PresentFrame()
{
    ConvertFrame(Framebuffer, TextureStaging);
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

uint32_t DisplayTicks() { return SDL_GetTicks(); }

bool PollQuit()
{
    SDL_PumpEvents();
    static bool told = false;
    if (WindowGone && !told) {
        std::fprintf(stderr, "sideways: the window was closed by another program; the show ends\n");
        told = true;
    }
    const bool down = SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE] != 0;
    return QuitRequested.exchange(false) || down || WindowGone;
}

#if defined(__linux__)
// SDL's X11 message box runs in a process it forks. Children of ours die with the thread that made
// them and note their process id here, a page shared with them, so that the box can be closed.
static pid_t ParentPid = 0;
static std::atomic<pid_t>* BoxPid = nullptr;

static void InForkedChild()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != ParentPid)
        _exit(1);
    if (BoxPid != nullptr)
        BoxPid->store(getpid());
}

static void PrepareBoxProcess()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ParentPid = getpid();
        void* page = mmap(nullptr, sizeof(std::atomic<pid_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (page != MAP_FAILED)
            BoxPid = new (page) std::atomic<pid_t>(0);
        pthread_atfork(nullptr, nullptr, InForkedChild);
    });
    if (BoxPid != nullptr)
        BoxPid->store(0);
}
#endif

void ShowMessage(const char* text, const char* caption)
{
    std::fprintf(stderr, "sideways: %s: %s\n", caption, text);
#if defined(__linux__)
    // The box waits on a thread of its own, so that the show window keeps taking Escape, a close
    // request and the signals (which SDL turns into a quit request) while it is up; any of them
    // closes the box.
    PrepareBoxProcess();
    std::atomic<bool> done{false};
    int result = 0;
    std::thread box([&] {
        result = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
        done = true;
    });
    bool quit = false;
    while (!done) {
        if (!quit && PollQuit()) {
            quit = true;
            const pid_t pid = BoxPid != nullptr ? BoxPid->load() : 0;
            if (pid <= 0)
                break;  // a box shown in this process: leave it to the end of the process
            kill(pid, SIGKILL);
        }
        SDL_Delay(10);
    }
    if (done)
        box.join();
    else
        box.detach();
    if (quit)
        QuitRequested = true;
    else if (result != 0)
#else
    // The box comes before the show starts, and the show's window is no use behind it. Windows
    // keeps a box without an owner under a full-screen window, where nobody could see it.
    if (SdlWindow != nullptr)
        SDL_HideWindow(SdlWindow);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
#endif
        std::fprintf(stderr, "sideways: cannot show a message box: %s\n", SDL_GetError());
}

void CloseDisplay()
{
    if (Context != nullptr)
        SDL_GL_DeleteContext(Context);
    Context = nullptr;
    if (SdlWindow != nullptr)
        SDL_DestroyWindow(SdlWindow);
    SdlWindow = nullptr;
    // SDL_Quit puts back X's fatal error handler before it closes the connection: take the errors
    // about a destroyed window here first.
#if defined(__linux__)
    if (XDisplay != nullptr)
        XSync(XDisplay, False);
#endif
    SDL_Quit();
#if defined(__linux__)
    XDisplay = nullptr;
    XWindow = 0;
#endif
}

bool PumpMessage()
{
    SDL_Event e;
    return SDL_PollEvent(&e) != 0;
}
