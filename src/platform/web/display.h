// The browser side of the show: the WebGL canvas, and the keyboard. Main thread only;
// the context lives as long as the page's instance of the program.
#pragma once
#include <cstdint>
#include <string>

// Makes a WebGL 1 context on the page's canvas with the shader, the quad and the 240 x 320 frame
// texture, and shows black. False, with *error saying why, when the browser gives no WebGL. A
// context the browser takes away is asked back, and its state made again when it returns.
bool CreateWebDisplay(std::string* error);
// Uploads the Framebuffer as RGB565 and draws it turned a quarter turn clockwise; the browser
// shows it when the animation frame returns. Draws nothing while the context is lost.
void PresentWebFrame();
// True when Escape was pressed since the last poll.
bool PollWebQuit();
// Shows the text on the page over the picture and writes it to the console.
void ShowWebMessage(const char* text, const char* caption);
// Keyboard events arrive by callback, so there is never a pending one to pump: returns false.
bool PumpWebMessage();
