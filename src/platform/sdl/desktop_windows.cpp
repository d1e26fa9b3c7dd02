// The Windows desktop: the box must come above the show's window, and nothing else is needed.
#include "platform/sdl/desktop.h"

#include <cstdio>

const char* const NoDisplayText = "cannot open the display (is the program running on a Windows desktop?)";

void WatchNativeWindow(SDL_Window*) {}

void SeeNativeEvent(const SDL_Event*) {}

bool NativeWindowGone() { return false; }

bool ShowDesktopBox(SDL_Window* window, const char* caption, const char* text, bool (*)())
{
    // The box comes before the show starts, and the show's window is no use behind it. Windows
    // keeps a box without an owner under a full-screen window, where nobody could see it.
    if (window != nullptr)
        SDL_HideWindow(window);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
        std::fprintf(stderr, "sideways: cannot show a message box: %s\n", SDL_GetError());
    return false;
}

void ReleaseNativeWindow() {}
