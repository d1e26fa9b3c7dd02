// What the program relies on in the supplied data: the characters of the font, the shape of the
// scroll text, and where the text window, its white frame and the font lie in ScrollerPicture.
// Buffer coordinates (column x, row y). Shared by the program, the asset checks and the painters.
#pragma once

// Position k names the character glyph k shows; '#' and ' ' appear twice, the first one counts.
constexpr int FontGlyphCount = 52;
inline constexpr char FontCharset[FontGlyphCount + 1] = "!\"#  &'()^+,-.#0123456789:abcdefghijklmnopqrstuvwxyz";
// The glyph a text character outside FontCharset is drawn with: the space.
constexpr int SpaceGlyph = 3;

// A glyph is 8 buffer rows of 13 buffer columns; on screen, 8 pixels wide and 13 tall.
constexpr int GlyphRows = 8;
constexpr int GlyphPixels = 13;

constexpr int ScrollLines = 84;
constexpr int ScrollColumns = 26;
// Lines 0..13 and 79..83 are blank: the first text line enters at the window's bottom edge and the
// last comes to rest five lines above it.
constexpr int ScrollLeadInLines = 14;
constexpr int ScrollRunOutLines = 5;

// The window the scroller rewrites, inclusive bounds: rows 92..305, columns 22..215.
constexpr int TextWindowTop = 92, TextWindowBottom = 305, TextWindowLeft = 22, TextWindowRight = 215;
// The white frame around it, FrameWidth pixels thick on every side.
constexpr int FrameWidth = 3;

// The font: two lines of 26 glyphs. A glyph of the first line takes 13 columns from
// FontFirstColumn, one of the second line 12 columns from FontSecondColumn (its pixel 12 is never
// copied). Glyphs 25 - k and 51 - k take rows FontTopRow + 8k .. FontTopRow + 8k + 7.
constexpr int FontTopRow = 97;
constexpr int FontFirstColumn = 181;
constexpr int FontSecondColumn = 197;
constexpr int FontSecondLinePixels = 12;
// The black box around the glyphs, inclusive bounds.
constexpr int FontBoxTop = 96, FontBoxBottom = 304, FontBoxLeft = 179, FontBoxRight = 210;
