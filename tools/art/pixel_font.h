// Our 8 x 13 pixel font, drawn as text art in pixel_font.cpp: one block per character of
// FontCharset, 13 rows of 8 pixels as the viewer sees the glyph, '#' ink and '.' paper. Letters
// keep to rows 0..11 (the scroller never shows row 12 of them) and column 7 stays blank, so
// characters set side by side keep a one-pixel gap.
#pragma once
#include <string_view>

#include "canvas.h"

constexpr int PixelGlyphWidth = 8;
constexpr int PixelGlyphHeight = 13;

// True when pixel (column, row) of the glyph of c is ink; false for characters the font lacks.
bool PixelInk(char c, int column, int row);
// True when the font has a glyph for c.
bool HasPixelGlyph(char c);

// Width in pixels of a line of text at the given scale (8 * scale per character).
int PixelTextWidth(std::string_view text, int scale);
// Draws a line of text with its top left at (x, y), each font pixel a scale x scale square.
void DrawPixelText(Canvas* canvas, int x, int y, std::string_view text, int scale, Colour colour);
