#include <cstring>
#include <vector>

#include "assets/assets.h"

uint16_t FontGlyphs[FontGlyphCount * GlyphRows * GlyphPixels];
int32_t GlyphIndexText[ScrollLines * ScrollColumns];

// Taken while the program loads, before anything can have rewritten the picture.
static const std::vector<uint16_t> SuppliedScroller(ScrollerPicture, ScrollerPicture + BufferPixels);

void RestoreScrollerPicture()
{
    std::memcpy(ScrollerPicture, SuppliedScroller.data(), sizeof ScrollerPicture);
}

// The font lies in two lines of 26 glyphs inside the scroller window: the first line 13 pixels
// wide from column 181, the second 12 pixels wide from column 197 (pixel 12 of those glyphs stays
// 0). Glyph 25 - k and glyph 51 - k take rows 97 + 8k .. 104 + 8k.
void CutOutFont()
{
    for (int k = 0; k < 26; ++k)
        for (int r = 0; r < GlyphRows; ++r) {
            uint16_t* row = ScrollerPicture + (FontTopRow + 8 * k + r) * BufferWidth;
            uint16_t* first = FontGlyphs + ((25 - k) * GlyphRows + r) * GlyphPixels;
            uint16_t* second = FontGlyphs + ((51 - k) * GlyphRows + r) * GlyphPixels;
            std::memcpy(first, row + FontFirstColumn, GlyphPixels * sizeof(uint16_t));
            std::memset(row + FontFirstColumn, 0, GlyphPixels * sizeof(uint16_t));
            std::memcpy(second, row + FontSecondColumn, FontSecondLinePixels * sizeof(uint16_t));
            std::memset(row + FontSecondColumn, 0, FontSecondLinePixels * sizeof(uint16_t));
        }
}

int32_t GlyphIndexOf(char c)
{
    // strchr would find the terminating NUL of FontCharset, so NUL is handled first.
    const char* at = c == '\0' ? nullptr : std::strchr(FontCharset, c);
    return at != nullptr ? int32_t(at - FontCharset) : SpaceGlyph;
}

void EncodeLines(const char (*text)[ScrollColumns + 1], int lines, int32_t* out)
{
    for (int j = 0; j < lines; ++j)
        for (int i = 0; i < ScrollColumns; ++i)
            out[j * ScrollColumns + i] = GlyphIndexOf(text[j][i]);
}

void EncodeText()
{
    EncodeLines(ScrollText, ScrollLines, GlyphIndexText);
}
