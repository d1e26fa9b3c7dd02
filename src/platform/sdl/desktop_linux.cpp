// The Linux desktop: Xlib tells that another program destroyed the window, and SDL's X11 message
// box, which runs in a process SDL forks, is closed by a quit request and never outlives us.
#include "platform/sdl/desktop.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <thread>

#include <SDL_syswm.h>
#include <X11/Xlib.h>

const char* const NoDisplayText = "cannot open the display (is an X11 or Wayland session running and DISPLAY set?)";

// The X11 connection and window under the show's window, when SDL runs on X11.
static Display* XDisplay = nullptr;
static ::Window XWindow = 0;
static int (*PreviousXErrorHandler)(Display*, XErrorEvent*) = nullptr;
// Set once another client destroyed the window: the show ends, and X errors about it are expected.
static std::atomic<bool> WindowGone{false};

// Errors about a window that another client destroyed end the show instead of the program.
static int OnXError(Display* display, XErrorEvent* e)
{
    if (XWindow != 0 && (e->resourceid == XWindow || WindowGone)) {
        WindowGone = true;
        return 0;
    }
    return PreviousXErrorHandler != nullptr ? PreviousXErrorHandler(display, e) : 0;
}

void WatchNativeWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    XDisplay = info.info.x11.display;
    XWindow = info.info.x11.window;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    PreviousXErrorHandler = XSetErrorHandler(OnXError);
}

void SeeNativeEvent(const SDL_Event* e)
{
    if (e->type == SDL_SYSWMEVENT && e->syswm.msg->subsystem == SDL_SYSWM_X11) {
        const XEvent& x = e->syswm.msg->msg.x11.event;
        if (x.type == DestroyNotify && x.xdestroywindow.window == XWindow)
            WindowGone = true;
    }
}

bool NativeWindowGone() { return WindowGone; }

// Children of ours die with the thread that made them and note their process id here, a page
// shared with them, so that the box's process can be closed.
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

bool ShowDesktopBox(SDL_Window*, const char* caption, const char* text, bool (*pollQuit)())
{
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
        if (!quit && pollQuit()) {
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
    if (!quit && result != 0)
        std::fprintf(stderr, "sideways: cannot show a message box: %s\n", SDL_GetError());
    return quit;
}

void ReleaseNativeWindow()
{
    // SDL_Quit puts back X's fatal error handler before it closes the connection: take the errors
    // about a destroyed window here first.
    if (XDisplay != nullptr)
        XSync(XDisplay, False);
    XDisplay = nullptr;
}
