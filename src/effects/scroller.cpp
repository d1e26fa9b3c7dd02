#include <algorithm>

#include "assets/assets.h"
#include "effects/effects.h"

// TextWindow holds a 4-row margin at each end and the text band between them.
constexpr int TextTop = TextWindowTop + 4;        // row 96, the top of character 25
constexpr int TextBottom = TextWindowBottom - 4;  // row 301, glyph row 5 of character 0
constexpr int WindowColumns = TextWindowRight - TextWindowLeft + 1;
constexpr int GlyphSize = GlyphRows * GlyphPixels;
// Each step moves the text two columns, and the 84 lines of 13 columns wrap after 546 steps.
constexpr int32_t RepeatSteps = ScrollLines * GlyphPixels / 2;

static void ClearWindowRows(int top, int bottom)
{
    for (uint16_t* row = ScrollerPicture + top * BufferWidth + TextWindowLeft; top <= bottom; ++top, row += BufferWidth)
        std::fill_n(row, WindowColumns, uint16_t{0});
}

// Text line `line` shows its glyph columns p .. p + n - 1 at picture columns x .. x + n - 1.
// Character i of the line takes rows 296 - 8i .. 303 - 8i, one glyph row per picture row, cut off
// at the lower margin (character 0 shows glyph rows 0..5 only).
static void DrawLineSlice(int line, int p, int n, int x)
{
    const int32_t* glyphNumbers = GlyphIndexText + line * ScrollColumns;
    for (int i = 0, top = TextTop + (ScrollColumns - 1) * GlyphRows; i < ScrollColumns; ++i, top -= GlyphRows) {
        const int rows = std::min(GlyphRows, TextBottom + 1 - top);
        const uint16_t* src = FontGlyphs + glyphNumbers[i] * GlyphSize + p;
        uint16_t* dst = ScrollerPicture + top * BufferWidth + x;
        // Whole glyph rows, the common case, copy with a length the compiler knows: no call.
        if (n == GlyphPixels)
            for (int glyphRow = 0; glyphRow < rows; ++glyphRow, src += GlyphPixels, dst += BufferWidth)
                std::copy_n(src, GlyphPixels, dst);
        else
            for (int glyphRow = 0; glyphRow < rows; ++glyphRow, src += GlyphPixels, dst += BufferWidth)
                std::copy_n(src, n, dst);
    }
}

void Scroller(const Region* r, int32_t scrollPos)
{
    // A negative position shows position 0; beyond one pass only the remainder mod 546 counts.
    const int32_t steps = scrollPos < 0 ? 0 : scrollPos % RepeatSteps;
    // The window's first column shows glyph column p of text line `line`; stepping across the
    // window, p runs to 12 and the next line (mod 84) starts, so no division per pixel.
    int line = 2 * steps / GlyphPixels;
    int p = 2 * steps % GlyphPixels;

    ClearWindowRows(TextWindowTop, TextTop - 1);
    for (int x = TextWindowLeft; x <= TextWindowRight;) {
        const int n = std::min(GlyphPixels - p, TextWindowRight + 1 - x);
        DrawLineSlice(line, p, n, x);
        x += n;
        p = 0;
        line = line + 1 == ScrollLines ? 0 : line + 1;
    }
    ClearWindowRows(TextBottom + 1, TextWindowBottom);

    if (r->x0 >= r->x1 || r->y0 >= r->y1)
        return;
    const size_t first = size_t{r->y0} * r->stride + r->x0;
    const uint16_t* src = ScrollerPicture + first;
    uint16_t* dst = Framebuffer + first;
    for (int y = r->y0; y < r->y1; ++y, src += r->stride, dst += r->stride)
        std::copy_n(src, r->x1 - r->x0, dst);
}
