// The embedded data: converted from assets/ by the build and checked there, so nothing is read
// from files at run time. Pictures are 240 x 320 RGB565 in buffer layout (pixel (x, y) at
// y * 240 + x, i.e. the landscape picture turned a quarter turn counter-clockwise); textures are
// row-major RGB565, texel (row, column) at row * size + column.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "assets/layout.h"
#include "frame/frame.h"

extern const uint16_t WarningPicture[BufferPixels];
extern const uint16_t LogoPicture[BufferPixels];
// Writable: starts as the supplied picture; the font cut-out and every Scroller call rewrite it.
extern uint16_t ScrollerPicture[BufferPixels];
extern const uint16_t RotoTexture[256 * 256];
extern const uint16_t TunnelTexture[128 * 128];

// 84 lines of 26 characters from FontCharset, each followed by a NUL that nothing reads.
extern const char ScrollText[ScrollLines][ScrollColumns + 1];

// The XM module, handed to the sound layer from memory.
extern const std::span<const uint8_t> MusicModule;

// 52 glyphs of 8 rows x 13 pixels: pixel p of row r of glyph g at (g * 8 + r) * 13 + p.
// A glyph row is a buffer row, so on screen glyph rows run right to left. Filled by CutOutFont.
extern uint16_t FontGlyphs[FontGlyphCount * GlyphRows * GlyphPixels];

// The glyph number of character i of line j at j * 26 + i. Filled by EncodeText.
extern int32_t GlyphIndexText[ScrollLines * ScrollColumns];

// Puts ScrollerPicture back as the program was built with it, from a copy taken when the program
// was loaded: no font cut out, no text scrolled. Main thread.
void RestoreScrollerPicture();
// Copies the 52 glyphs out of ScrollerPicture into FontGlyphs and sets their pixels there to 0;
// everything else in the picture stays. Called by BuildTables and at the start of every show.
void CutOutFont();
// Turns ScrollText into GlyphIndexText. Called by BuildTables.
void EncodeText();

// The first position of c in FontCharset; SpaceGlyph for any other character, NUL included.
int32_t GlyphIndexOf(char c);
// Encodes `lines` lines of text into out (26 entries per line); byte 26 of a line is never read.
void EncodeLines(const char (*text)[ScrollColumns + 1], int lines, int32_t* out);
