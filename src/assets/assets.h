// The embedded data: converted from assets/ by the build and checked there, so nothing is read
// from files at run time. Pictures are 240 x 320 RGB565 in buffer layout (pixel (x, y) at
// y * 240 + x, i.e. the landscape picture turned a quarter turn counter-clockwise); textures are
// row-major RGB565, texel (row, column) at row * size + column.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "frame/frame.h"

extern const uint16_t WarningPicture[BufferPixels];
extern const uint16_t LogoPicture[BufferPixels];
// Writable: starts as the supplied picture; the font cut-out and every Scroller call rewrite it.
extern uint16_t ScrollerPicture[BufferPixels];
extern const uint16_t RotoTexture[256 * 256];
extern const uint16_t TunnelTexture[128 * 128];

constexpr int ScrollLines = 84;
constexpr int ScrollColumns = 26;
// 84 lines of 26 characters from FontCharset, each followed by a NUL that nothing reads.
extern const char ScrollText[ScrollLines][ScrollColumns + 1];

// The XM module, handed to the sound layer from memory.
extern const std::span<const uint8_t> MusicModule;

// Position k names the character glyph k shows; '#' and ' ' appear twice, the first one counts.
constexpr int FontGlyphCount = 52;
extern const char FontCharset[FontGlyphCount + 1];

// 52 glyphs of 8 rows x 13 pixels: pixel p of row r of glyph g at (g * 8 + r) * 13 + p.
// A glyph row is a buffer row, so on screen glyph rows run right to left. Filled by CutOutFont.
constexpr int GlyphRows = 8;
constexpr int GlyphPixels = 13;
extern uint16_t FontGlyphs[FontGlyphCount * GlyphRows * GlyphPixels];

// The glyph number of character i of line j at j * 26 + i. Filled by EncodeText.
extern int32_t GlyphIndexText[ScrollLines * ScrollColumns];

// The framed window of ScrollerPicture that the scroller rewrites: rows 92..305, columns 22..215.
constexpr int TextWindowTop = 92, TextWindowBottom = 305, TextWindowLeft = 22, TextWindowRight = 215;

// Copies the 52 glyphs out of ScrollerPicture into FontGlyphs and blanks them in the picture.
void CutOutFont();
// Turns ScrollText into GlyphIndexText; a character outside FontCharset becomes the space glyph.
void EncodeText();
