// The painters of the show's pictures, textures and text. Each is deterministic: it returns the
// same asset on every run, which is what the committed files in assets/ must hold.
#pragma once
#include <string>

#include "asset_checks.h"
#include "canvas.h"

// The landscape pictures, 320 x 240 as the viewer sees them.
Image PaintWarning();
Image PaintLogo();
// The framed credits window with the font laid into it where the program cuts it out.
Image PaintScroller();

// The textures, seamless in both directions: 256 x 256 and 128 x 128.
Image PaintRotoTexture();
Image PaintTunnelTexture();

// The scroll text file: 84 lines of 26 characters, each ending in a newline.
std::string WriteScrollText();

// The desktop icon, size x size pixels (16..512), drawn for that size.
Image PaintIcon(int size);

// A sheet of both fonts at a readable size, for review.
Image PaintSpecimen();

// Shared by the painters: a title word filled with a vertical gradient, outlined and extruded.
struct TitleStyle {
    double xHeight;          // pixels
    double slant;            // x shift per unit of height (italic lean), 0 for upright
    double condense;         // width of the letters relative to the lettering's own, 1 as drawn
    double outline;          // pixels of dark outline around face and extrusion
    double depthX, depthY;   // extrusion, pixels toward the lower right
    Colour top, middle, bottom;  // face gradient from the ascender line through the x-height middle
    Colour side;              // extrusion colour at the face
    Colour edge;              // outline colour
};
// Draws word with its baseline's left end at (x, y) in canvas pixels.
void DrawTitle(Canvas* canvas, const std::string& word, double x, double y, const TitleStyle* style);
// Width in pixels the word takes at the style's size (not counting slant and extrusion).
double TitleWidth(const std::string& word, const TitleStyle* style);
