// The SDL/OpenGL side of the demo: the full-screen window, its events and the presentation of
// the frame buffer. Main thread only; the window and GL context live until CloseDisplay.
#pragma once
#include <cstdint>
#include <string>

// Where CreateDisplay puts the picture: the whole of screen `display` (the default, screen 0), or
// a resizable window of width x height on it. Before CreateDisplay.
void ChooseDisplay(int display, bool window, int width, int height);
// Opens the window chosen (borderless over the whole screen unless a window was asked for) with a
// legacy OpenGL context, sets up the projection and the 512 x 512 texture and shows black. False,
// with *error saying why, when there is no display, no such screen or no OpenGL.
[[nodiscard]] bool CreateDisplay(std::string* error);
// How many screens SDL sees, or -1 when there is no display (CreateDisplay then says why).
int CountScreens();
// One line per screen SDL sees: index, name, size. False, with *error, when there is no display.
[[nodiscard]] bool ListDisplays(std::string* text, std::string* error);
// Converts the Framebuffer into the staging texture, uploads it whole and draws it turned a
// quarter turn clockwise over the whole screen, or over the largest 4:3 part of a window with
// black bars beside it, then swaps.
void PresentFrame();
// PresentFrame's two halves, for timing them apart: the conversion of the Framebuffer, then the
// upload, the draw and the swap.
void ConvertForDisplay();
void UploadAndSwap();
// Milliseconds since SDL started, wrapping at 2^32.
uint32_t DisplayTicks();
// True when Escape is down now, was pressed since the last poll, or the window was asked to close
// (window manager, Alt+F4, a terminating signal) or destroyed by another program (said on stderr).
[[nodiscard]] bool PollQuit();
// A modal message box with an OK button, on top of the window; also written to stderr. Escape, a
// close request or SIGINT/SIGTERM while it is up close it, and PollQuit reports them afterwards.
void ShowMessage(const char* text, const char* caption);
// Takes at most one pending event off the queue; true if there was one.
[[nodiscard]] bool PumpMessage();
// Destroys the GL context and the window and shuts SDL down; the sound must be freed before.
// Safe when CreateDisplay failed or never ran.
void CloseDisplay();
