#include <cstring>

#include "assets/assets.h"

const char FontCharset[FontGlyphCount + 1] = "!\"#  &'()^+,-.#0123456789:abcdefghijklmnopqrstuvwxyz";
uint16_t FontGlyphs[FontGlyphCount * GlyphRows * GlyphPixels];
int32_t GlyphIndexText[ScrollLines * ScrollColumns];

// The font lies in two lines of 26 glyphs inside the scroller window: the first line in columns
// 181..193 (13 pixels), the second in columns 197..208 (12 pixels; pixel 12 of those glyphs stays
// 0). Glyph 25 - k and glyph 51 - k take rows 97 + 8k .. 104 + 8k.
void CutOutFont()
{
    for (int k = 0; k < 26; ++k)
        for (int r = 0; r < GlyphRows; ++r) {
            uint16_t* row = ScrollerPicture + (97 + 8 * k + r) * BufferWidth;
            uint16_t* first = FontGlyphs + ((25 - k) * GlyphRows + r) * GlyphPixels;
            uint16_t* second = FontGlyphs + ((51 - k) * GlyphRows + r) * GlyphPixels;
            std::memcpy(first, row + 181, 13 * sizeof(uint16_t));
            std::memset(row + 181, 0, 13 * sizeof(uint16_t));
            std::memcpy(second, row + 197, 12 * sizeof(uint16_t));
            std::memset(row + 197, 0, 12 * sizeof(uint16_t));
        }
}

void EncodeText()
{
    for (int j = 0; j < ScrollLines; ++j)
        for (int i = 0; i < ScrollColumns; ++i) {
            const char c = ScrollText[j][i];
            const char* at = c == '\0' ? nullptr : std::strchr(FontCharset, c);
            GlyphIndexText[j * ScrollColumns + i] = at != nullptr ? int32_t(at - FontCharset) : 3;
        }
}
