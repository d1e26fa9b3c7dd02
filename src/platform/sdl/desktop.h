// What the SDL display leaves to the desktop it runs on: seeing that another program destroyed the
// show's window, and an error box that the viewer can always get rid of. One file per desktop,
// chosen by what links: desktop_linux.cpp (X11, and Wayland through SDL) or desktop_windows.cpp.
// Main thread unless said otherwise.
#pragma once
#include <SDL.h>

// Notes the native window under `window` so that its destruction by another program is seen.
// Right after the window is made.
void WatchNativeWindow(SDL_Window* window);
// Called from SDL's event watch (any thread) with every event SDL queues.
void SeeNativeEvent(const SDL_Event* e);
// True once another program destroyed the window. Any thread.
[[nodiscard]] bool NativeWindowGone();
// Shows a modal error box for the show's window (nullptr before it exists) and calls pollQuit
// while the box is up; a quit request (Escape, a close request, a terminating signal) closes it.
// True when a quit request closed the box. Says on stderr when no box could be shown.
[[nodiscard]] bool ShowDesktopBox(SDL_Window* window, const char* caption, const char* text, bool (*pollQuit)());
// What the show says when it finds no display, with this desktop's own hint.
extern const char* const NoDisplayText;
// Takes what the desktop still has to say about the window, before SDL_Quit closes the connection.
void ReleaseNativeWindow();
